#include "platform/os_version.h"

#include <windows.h>

namespace qx::platform {

bool QueryWindowsVersion(WindowsVersion* version) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) {
    *version = WindowsVersion{0, 0, 0};
    return true;
  }
  *version = WindowsVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
  return true;
}

}  // namespace qx::platform
