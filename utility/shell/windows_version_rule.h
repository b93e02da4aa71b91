#pragma once

#include "platform/os_version.h"

namespace qx {

// The utility runs on the NT family, version 5.0 (2000), 5.1 (XP) or any 6.x (Vista and later
// builds of that line); everything else, 5.2 included, is refused.
bool IsSupportedWindowsVersion(const platform::WindowsVersion& version);

}  // namespace qx
