#include "utility/port/qxusb_null_driver.h"
#include "utility/port/qxusb_virtual_driver.h"

namespace qx::qxusb {

// Never destroyed: port workers still running while the process ends may be inside a call.
Driver& ProcessDriver() {
  static Driver* const driver = [] {
    std::unique_ptr<Driver> simulated = DriverFromSimulatorVariable();
    return simulated != nullptr ? simulated.release() : new NullDriver();
  }();
  return *driver;
}

}  // namespace qx::qxusb
