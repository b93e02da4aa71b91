#pragma once

#include "utility/port/qxusb_driver.h"

namespace qx::port {

// The QXUSB driver the USB port talks through: the one set with SetPortDriver, else the
// process's driver (qxusb::ProcessDriver). Set it before ports are opened and keep it alive while
// any is open; nullptr returns to the process's driver.
qxusb::Driver& PortDriver();
void SetPortDriver(qxusb::Driver* driver);

}  // namespace qx::port
