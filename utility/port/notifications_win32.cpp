#include <windows.h>

#include <atomic>

#include "utility/port/notifications.h"

namespace qx::port {

namespace {

constexpr WPARAM kDeviceRemoveComplete = 0x8004;  // DBT_DEVICEREMOVECOMPLETE

HWND usbWindow = nullptr;
// Read by the Ethernet port's threads when they post a notice.
std::atomic<HWND> tcpWindow{nullptr};

LRESULT CALLBACK UsbWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DEVICECHANGE && wParam == kDeviceRemoveComplete) RunUsbRemovalCheck();
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TcpWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kTcpNotifyMessage &&
      HandleTcpNotification(static_cast<std::intptr_t>(wParam), LOWORD(lParam), HIWORD(lParam))) {
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateNotificationWindow(HINSTANCE instance, const char* className, WNDPROC procedure) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = className;
  if (RegisterClassExA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
  return CreateWindowExA(0, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

}  // namespace

std::intptr_t StartNotifications(void* instance) {
  StopNotifications();
  auto module = static_cast<HINSTANCE>(instance);
  usbWindow = CreateNotificationWindow(module, "UsbWndProc", UsbWndProc);
  tcpWindow = CreateNotificationWindow(module, "TcpWndProc", TcpWndProc);
  return reinterpret_cast<std::intptr_t>(tcpWindow.load());
}

void StopNotifications() {
  if (usbWindow != nullptr) DestroyWindow(usbWindow);
  HWND tcp = tcpWindow.exchange(nullptr);
  if (tcp != nullptr) DestroyWindow(tcp);
  usbWindow = nullptr;
}

// Windows tells the "UsbWndProc" window of a removed device itself.
void ReportLinkFailure() {}

void PostTcpNotification(std::intptr_t socket, int event, std::uint32_t connection) {
  const LPARAM lParam = MAKELPARAM(event, connection & kConnectionSerialMask);
  HWND window = tcpWindow.load();
  if (window != nullptr) PostMessageA(window, kTcpNotifyMessage, static_cast<WPARAM>(socket), lParam);
}

}  // namespace qx::port
