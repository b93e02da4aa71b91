#pragma once

#include <cstdint>

namespace qx::platform {

struct WindowsVersion {
  std::uint32_t platformId;  // 2 for the NT family
  std::uint32_t major;
  std::uint32_t minor;
};

// Fills the running Windows version. False on a system that is not Windows: it has no Windows
// version to check.
bool QueryWindowsVersion(WindowsVersion* version);

}  // namespace qx::platform
