#include <cstdio>
#include <memory>
#include <string>

#include "tests/port/counting_driver.h"
#include "tests/port/echo_device.h"
#include "tests/sim/sim_fixture.h"
#include "utility/port/qxusb_virtual_driver.h"

// The device under test is the first device of a running qxr7000-sim (profile echo.json for the
// stress test, sink.json for the benchmark), reached through the virtual QXUSB driver.
namespace qx::port::testing {

namespace {

CountingDriver* Simulator() {
  static std::unique_ptr<qxusb::VirtualDriver> link;
  static std::unique_ptr<CountingDriver> counting;
  static bool tried = false;
  if (!tried) {
    tried = true;
    simtest::SimAddresses addresses;
    std::string why;
    if (!simtest::FindRunningSim(&addresses, &why)) {
      std::fprintf(stderr, "no simulator: %s\n", why.c_str());
      return nullptr;
    }
    link = std::make_unique<qxusb::VirtualDriver>(addresses.link);
    counting = std::make_unique<CountingDriver>(link.get());
  }
  return counting.get();
}

}  // namespace

DeviceUnderTest EchoDevice() { return {Simulator(), 0}; }
DeviceUnderTest SinkDevice() { return {Simulator(), 0}; }
std::uint64_t SinkDeviceBytes() { return Simulator() != nullptr ? Simulator()->WrittenBytes() : 0; }
int OpenDeviceHandles() { return Simulator() != nullptr ? Simulator()->OpenHandles() : -1; }
int OverlappingDeviceCalls() { return Simulator() != nullptr ? Simulator()->OverlappingCalls() : -1; }

}  // namespace qx::port::testing
