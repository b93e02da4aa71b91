#include "platform/registry.h"

namespace qx::platform {

RegistryKey::~RegistryKey() = default;

bool RegistryKey::Open(RegistryRoot, const char*) {
  handle_ = 0;
  return false;
}

bool RegistryKey::ReadText(const char*, char* buffer, std::size_t size) {
  if (size > 0) buffer[0] = '\0';
  return false;
}

bool RegistryKey::ReadNumber(const char*, std::uint32_t*) { return false; }

bool RegistryKey::Close(long* error) {
  *error = 0;
  return true;
}

}  // namespace qx::platform
