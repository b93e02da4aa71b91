#include "platform/os_version.h"

namespace qx::platform {

bool QueryWindowsVersion(WindowsVersion* version) {
  *version = WindowsVersion{0, 0, 0};
  return false;
}

}  // namespace qx::platform
