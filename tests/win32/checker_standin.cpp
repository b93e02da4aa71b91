// Stands in for R7000Check.exe in the window tests: a window that stays until it is closed. It
// ends with 0 when the utility held the mutex "R7000Check" when it started, 3 when not.
#include <windows.h>

namespace {

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "R7000Check");
  bool held = mutex != nullptr && WaitForSingleObject(mutex, 0) == WAIT_TIMEOUT;
  if (mutex != nullptr) CloseHandle(mutex);
  WNDCLASSA c{};
  c.lpfnWndProc = StandInProc;
  c.hInstance = instance;
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  c.lpszClassName = "QxCheckerStandIn";
  RegisterClassA(&c);
  HWND window = CreateWindowA("QxCheckerStandIn", "Checker stand-in", WS_OVERLAPPEDWINDOW, 40, 40, 240, 120, nullptr,
                              nullptr, instance, nullptr);
  ShowWindow(window, show);
  SetForegroundWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return held ? 0 : 3;
}
