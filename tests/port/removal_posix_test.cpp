#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/port/port_test_support.h"

// Without device-change windows, a device that drops off its link is noticed through the failed
// link calls, and the port closes on the library's notification thread.
namespace qx::port {
namespace {

using testing::CallbackLog;
using testing::UsbSettings;
using testing::WaitFor;

class LinkDrop : public ::testing::TestWithParam<int> {
 protected:
  LinkDrop() { library.driver.AddDevice("\\\\?\\usb#sim#0"); }
  testing::PortLibraryFixture library;
};

TEST_P(LinkDrop, DroppedDeviceClosesThePortAndCallsOnCloseOnce) {
  const int direct = GetParam();
  PortSettings settings = UsbSettings(direct);
  ASSERT_EQ(PortSetConfig(2, &settings), 1);
  ASSERT_EQ(PortOpen(2), 1);
  library.driver.SetRemoved(true);
  if (direct == 1) {
    // A direct port only touches the link when asked to.
    std::uint8_t byte = 0;
    int read = -1;
    EXPECT_EQ(PortRead(2, &byte, 1, &read), 0);
    EXPECT_EQ(read, 0);
  }
  ASSERT_TRUE(WaitFor([] { return CallbackLog::Get().Closes() == 1; }));
  EXPECT_EQ(PortIsOpen(2), 0);
  EXPECT_EQ(library.driver.OpenHandleCount(), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(CallbackLog::Get().Closes(), 1);
  // The device comes back: the port opens again.
  library.driver.SetRemoved(false);
  EXPECT_EQ(PortOpen(2), 1);
}

INSTANTIATE_TEST_SUITE_P(DirectAndThreaded, LinkDrop, ::testing::Values(1, 0));

}  // namespace
}  // namespace qx::port
