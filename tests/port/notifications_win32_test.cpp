#include <gtest/gtest.h>
#include <windows.h>

#include "tests/port/port_test_support.h"
#include "utility/port/notifications.h"
#include "utility/port/qxusb_contract.h"

// The library's hidden windows, driven as Windows drives them: the messages are sent on the
// thread that created the windows.
namespace qx::port {
namespace {

using testing::CallbackLog;

constexpr WPARAM kDeviceRemoveComplete = 0x8004;

class NotificationWindows : public ::testing::Test {
 protected:
  NotificationWindows() {
    PortShutdown();
    tcpWindow = reinterpret_cast<HWND>(PortInitialize(GetModuleHandleA(nullptr)));
    PortCallbacks callbacks = CallbackLog::Callbacks();
    for (int type = 0; type < 4; ++type) {
      PortCreate(type);
      PortSetCallbacks(type, &callbacks);
    }
    library.driver.AddDevice("\\\\?\\usb#win#0");
  }
  testing::PortLibraryFixture library;
  HWND tcpWindow = nullptr;
};

TEST_F(NotificationWindows, BothWindowsExistWithTheirClassNames) {
  ASSERT_NE(tcpWindow, nullptr);
  EXPECT_EQ(FindWindowA("TcpWndProc", nullptr), tcpWindow);
  EXPECT_NE(FindWindowA("UsbWndProc", nullptr), nullptr);
  EXPECT_FALSE(IsWindowVisible(tcpWindow));
}

TEST_F(NotificationWindows, DeviceRemovalClosesAUsbPortWhoseDeviceIsGone) {
  PortSettings settings = testing::UsbSettings(1);
  PortSetConfig(2, &settings);
  ASSERT_EQ(PortOpen(2), 1);
  HWND usbWindow = FindWindowA("UsbWndProc", nullptr);
  ASSERT_NE(usbWindow, nullptr);
  // Another device went: the port's device still answers.
  SendMessageA(usbWindow, WM_DEVICECHANGE, kDeviceRemoveComplete, 0);
  EXPECT_EQ(PortIsOpen(2), 1);
  library.driver.SetRemoved(true);
  SendMessageA(usbWindow, WM_DEVICECHANGE, 0x8000 /* arrival */, 0);
  EXPECT_EQ(PortIsOpen(2), 1);
  SendMessageA(usbWindow, WM_DEVICECHANGE, kDeviceRemoveComplete, 0);
  EXPECT_EQ(PortIsOpen(2), 0);
  EXPECT_EQ(CallbackLog::Get().Closes(), 1);
}

TEST_F(NotificationWindows, TcpNoticeForAnUnknownSocketFallsThrough) {
  EXPECT_EQ(SendMessageA(tcpWindow, kTcpNotifyMessage, 1234, kTcpEventConnect), 0);
  EXPECT_EQ(PortIsOpen(3), 0);
  EXPECT_EQ(CallbackLog::Get().Opens(), 0);
  // A notice about the closed port's socket value is not taken for it.
  SendMessageA(tcpWindow, kTcpNotifyMessage, static_cast<WPARAM>(-1), kTcpEventConnect);
  EXPECT_EQ(PortIsOpen(3), 0);
}

TEST_F(NotificationWindows, ShutdownDestroysTheWindowsAndInitialiseMakesThemAgain) {
  PortShutdown();
  EXPECT_EQ(FindWindowA("TcpWndProc", nullptr), nullptr);
  EXPECT_EQ(FindWindowA("UsbWndProc", nullptr), nullptr);
  EXPECT_NE(PortInitialize(GetModuleHandleA(nullptr)), 0);
  EXPECT_NE(FindWindowA("UsbWndProc", nullptr), nullptr);
}

}  // namespace
}  // namespace qx::port
