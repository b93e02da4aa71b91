#include <gtest/gtest.h>

#include <thread>

#include "tests/port/port_test_support.h"
#include "utility/nodes/driver_requests.h"
#include "utility/nodes/port_scanner_requests.h"
#include "utility/port/qxusb_contract.h"

// The device connection's and the nodes' own driver requests on the USB port's handle, made
// through the port library while the port itself uses the same handle.
namespace qx::port {
namespace {

using testing::FakeDriver;
using testing::UsbSettings;

constexpr int kUsb = 2;

class NodeDriverRequests : public ::testing::Test {
 protected:
  NodeDriverRequests() {
    library.driver.AddDevice("\\\\?\\usb#vid_0dd4&pid_0200#3#{5dd901c0}");
    InstallPortScannerRequests();
  }
  ~NodeDriverRequests() override { RemovePortScannerRequests(); }

  void OpenDirect() {
    PortSettings settings = UsbSettings(1);
    ASSERT_EQ(PortSetConfig(kUsb, &settings), 1);
    ASSERT_EQ(PortOpen(kUsb), 1);
  }

  testing::PortLibraryFixture library;
};

TEST_F(NodeDriverRequests, GoToTheDriverThePortWasOpenedWith) {
  OpenDirect();
  FakeDriver later;
  SetPortDriver(&later);
  std::uint32_t status = 0xFFFFFFFF;
  std::uint32_t returned = 0;
  EXPECT_EQ(ScannerDriverControl(qxusb::kGetXbStatus, nullptr, 0, &status, sizeof status, &returned), 1);
  EXPECT_EQ(returned, sizeof status);
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(QueryDriver(kUsb, qxusb::kGetXbStatus, &status, sizeof status, &returned), 1);
  EXPECT_TRUE(later.Calls().empty());
  EXPECT_EQ(library.driver.ControlCalls(qxusb::kGetXbStatus).size(), 2u);
  SetPortDriver(&library.driver);
}

TEST_F(NodeDriverRequests, FailWithoutAnOpenPort) {
  std::uint32_t status = 0;
  std::uint32_t returned = 7;
  EXPECT_EQ(ScannerDriverControl(qxusb::kGetXbStatus, nullptr, 0, &status, sizeof status, &returned), 0);
  EXPECT_EQ(returned, 0u);
  EXPECT_EQ(QueryDriver(kUsb, qxusb::kGetXbStatus, &status, sizeof status, &returned), 0);
  EXPECT_TRUE(library.driver.CallsOf('C').empty());
}

TEST_F(NodeDriverRequests, TakeTurnsWithThePortsOwnCallsOnTheHandle) {
  OpenDirect();
  library.driver.SetControlDelayMs(1);
  std::thread port([] {
    for (int i = 0; i < 100; ++i) PortIsReady(kUsb);
  });
  for (int i = 0; i < 50; ++i) {
    std::uint32_t word = 0;
    std::uint32_t returned = 0;
    EXPECT_EQ(ScannerDriverControl(qxusb::kGetXbStatus, nullptr, 0, &word, sizeof word, &returned), 1);
    EXPECT_EQ(QueryDriver(kUsb, qxusb::kGetXbStatus, &word, sizeof word, &returned), 1);
  }
  port.join();
  EXPECT_EQ(library.driver.OverlappingCalls(), 0);
}

}  // namespace
}  // namespace qx::port
