#include "registry/driver_key_paths.h"

#include <cstdio>

namespace qx::registry {

namespace {

bool Fits(int length, std::size_t size) { return length >= 0 && static_cast<std::size_t>(length) < size; }

}  // namespace

bool ComposeDeviceKeyPath(const char* key, char* path, std::size_t size) {
  if (key == nullptr || path == nullptr || size == 0) return false;
  return Fits(std::snprintf(path, size, "%s\\%s", kDeviceKeyPrefix, key), size);
}

bool ComposeLockName(const char* prefix, const char* keyPath, char* name, std::size_t size) {
  if (prefix == nullptr || keyPath == nullptr || name == nullptr || size == 0) return false;
  if (!Fits(std::snprintf(name, size, "%s%s", prefix, keyPath), size)) return false;
  for (char* c = name; *c != '\0'; ++c) {
    if (*c == '\\') *c = '_';
  }
  return true;
}

}  // namespace qx::registry
