#include <windows.h>

#include "tests/port/message_pump.h"

namespace qx::port::testing {

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace qx::port::testing
