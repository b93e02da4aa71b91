#include "tests/port/message_pump.h"

namespace qx::port::testing {

void PumpMessages() {}

}  // namespace qx::port::testing
