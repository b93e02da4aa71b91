#include "platform/clock.h"

#include <windows.h>

namespace qx::platform {

std::uint32_t MillisecondClock() { return GetTickCount(); }

void SleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

}  // namespace qx::platform
