#include "utility/shell/windows_version_rule.h"

namespace qx {

bool IsSupportedWindowsVersion(const platform::WindowsVersion& version) {
  constexpr std::uint32_t kPlatformNt = 2;
  if (version.platformId != kPlatformNt) return false;
  if (version.major == 5) return version.minor == 0 || version.minor == 1;
  return version.major == 6;
}

}  // namespace qx
