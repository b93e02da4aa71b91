// The Windows driver backend where no QXUSB driver is installed (Wine): SetupAPI is loaded and
// finds no interface of the class, a function path that does not exist is not found, and calls
// on invalid handles fail without touching the buffers' bounds.
#include <gtest/gtest.h>

#include "utility/port/qxusb_win32_driver.h"

namespace qx::qxusb {
namespace {

TEST(Win32Driver, NoInterfaceOfTheClassOnAMachineWithoutTheDriver) {
  Win32Driver d;
  char path[kDevicePathSize] = "stale";
  EXPECT_EQ(d.Enumerate(0, path, sizeof path), DriverStatus::kNoMoreItems);
  EXPECT_STREQ(path, "");
  EXPECT_EQ(d.Enumerate(0, nullptr, 0), DriverStatus::kNoMoreItems);
}

TEST(Win32Driver, MissingFunctionPathIsNotFound) {
  Win32Driver d;
  DriverHandle h = 7;
  EXPECT_EQ(d.Open("\\\\?\\usb#vid_2f4e&pid_7000#none#{5dd901c0-bcf4-11d1-9738-008029e6a5b3}\\QX", &h),
            DriverStatus::kNotFound);
  EXPECT_EQ(h, kInvalidDriverHandle);
  EXPECT_EQ(d.Open("", &h), DriverStatus::kNotFound);
}

TEST(Win32Driver, CallsOnInvalidHandlesFail) {
  Win32Driver d;
  std::uint8_t b[4] = {};
  std::uint32_t n = 9;
  EXPECT_EQ(d.Write(kInvalidDriverHandle, b, 4, &n), DriverStatus::kFailed);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(d.Read(kInvalidDriverHandle, b, 4, &n), DriverStatus::kFailed);
  EXPECT_FALSE(d.Control(kInvalidDriverHandle, 0x222000, nullptr, 0, b, 4, &n));
  d.Close(kInvalidDriverHandle);
}

}  // namespace
}  // namespace qx::qxusb
