#pragma once

#include <cstdint>

namespace qx::platform {

// Milliseconds since an arbitrary start, wrapping like the Windows tick count.
std::uint32_t MillisecondClock();
void SleepMilliseconds(std::uint32_t milliseconds);

}  // namespace qx::platform
