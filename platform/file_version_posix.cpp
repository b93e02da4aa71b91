#include "platform/file_version.h"

namespace qx::platform {

int GetFileVersionText(const char*, char* destination, std::size_t size) {
  if (size > 0) destination[0] = '\0';
  return 0;
}

}  // namespace qx::platform
