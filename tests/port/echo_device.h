#pragma once

#include <cstdint>

#include "utility/port/qxusb_driver.h"

// Where the stress test finds an echo device (every byte written comes back) and the benchmark a
// sink device (every byte written is taken and dropped): the in-process fake driver
// (echo_device.cpp) or the first device of a running qxr7000-sim through the virtual driver
// (sim_echo_device.cpp). The driver is null when the device cannot be had.
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
