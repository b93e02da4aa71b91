#include "utility/port/qxusb_null_driver.h"
#include "utility/port/qxusb_virtual_driver.h"

namespace qx::qxusb {

Driver& ProcessDriver() {
  static const std::unique_ptr<Driver> driver = [] {
    std::unique_ptr<Driver> simulated = DriverFromSimulatorVariable();
    return simulated != nullptr ? std::move(simulated) : std::unique_ptr<Driver>(std::make_unique<NullDriver>());
  }();
  return *driver;
}

}  // namespace qx::qxusb
