// The port's tests always set their own driver; this stands in for the process's driver only in
// builds that do not contain the QXUSB driver's backends.
#include "tests/port/fake_driver.h"
#include "utility/port/qxusb_driver.h"

namespace qx::qxusb {

Driver& ProcessDriver() {
  static port::testing::FakeDriver noDevices;
  return noDevices;
}

}  // namespace qx::qxusb
