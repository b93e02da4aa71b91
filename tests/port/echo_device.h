#pragma once

#include <cstdint>

#include "utility/port/qxusb_driver.h"

// Where the stress test finds an echo device (every byte written comes back) and the benchmark a
// sink device (every byte written is taken and dropped). Today both are the in-process fake
// driver; pointing them at the simulator means replacing echo_device.cpp alone.
namespace qx::port::testing {

struct DeviceUnderTest {
  qxusb::Driver* driver;
  std::uint32_t deviceIndex;
};

DeviceUnderTest EchoDevice();
DeviceUnderTest SinkDevice();
// Bytes the sink device has taken so far.
std::uint64_t SinkDeviceBytes();
// Driver handles the device under test still holds open; -1 when the driver cannot tell.
int OpenDeviceHandles();
// Driver calls that overlapped another on the same handle; -1 when the driver cannot tell.
int OverlappingDeviceCalls();

}  // namespace qx::port::testing
