#include <cstdlib>

#include "utility/port/qxusb_null_driver.h"
#include "utility/port/qxusb_virtual_driver.h"
#include "utility/port/qxusb_win32_driver.h"

namespace qx::qxusb {

// Never destroyed: port workers still running while the process ends may be inside a call.
Driver& ProcessDriver() {
  static Driver* const driver = []() -> std::unique_ptr<Driver> {
    if (std::unique_ptr<Driver> simulated = DriverFromSimulatorVariable()) return simulated;
    // A simulator address that is not loopback is refused, and the real driver is not taken in
    // its place either: whoever set the variable did not mean the attached scanner.
    const char* text = std::getenv("QXR7000_SIM");
    if (text != nullptr && *text != '\0') return std::make_unique<NullDriver>();
    return std::make_unique<Win32Driver>();
  }().release();
  return *driver;
}

}  // namespace qx::qxusb
