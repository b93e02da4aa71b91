#include "tests/port/echo_device.h"

#include "tests/port/fake_driver.h"

namespace qx::port::testing {

namespace {

FakeDriver& Device(FakeDriver::DataMode mode) {
  static FakeDriver driver;
  static bool ready = false;
  if (!ready) {
    driver.AddDevice("\\\\?\\usb#fake#0");
    driver.SetLogDataCalls(false);
    ready = true;
  }
  driver.SetMode(mode);
  return driver;
}

}  // namespace

DeviceUnderTest EchoDevice() { return {&Device(FakeDriver::DataMode::kEcho), 0}; }
DeviceUnderTest SinkDevice() { return {&Device(FakeDriver::DataMode::kSink), 0}; }
std::uint64_t SinkDeviceBytes() { return Device(FakeDriver::DataMode::kSink).SinkBytes(); }
int OpenDeviceHandles() { return Device(FakeDriver::DataMode::kEcho).OpenHandleCount(); }
int OverlappingDeviceCalls() { return Device(FakeDriver::DataMode::kEcho).OverlappingCalls(); }

}  // namespace qx::port::testing
