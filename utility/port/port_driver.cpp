#include "utility/port/port_driver.h"

#include <atomic>

namespace qx::port {

namespace {

std::atomic<qxusb::Driver*> chosenDriver{nullptr};

}  // namespace

qxusb::Driver& PortDriver() {
  qxusb::Driver* driver = chosenDriver.load();
  return driver != nullptr ? *driver : qxusb::ProcessDriver();
}

void SetPortDriver(qxusb::Driver* driver) { chosenDriver.store(driver); }

}  // namespace qx::port
