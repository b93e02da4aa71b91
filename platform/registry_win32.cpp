#include "platform/registry.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace qx::platform {

namespace {

HKEY AsKey(std::intptr_t handle) { return reinterpret_cast<HKEY>(handle); }

}  // namespace

RegistryKey::~RegistryKey() {
  long ignored = 0;
  Close(&ignored);
}

bool RegistryKey::Open(RegistryRoot root, const char* path) {
  long ignored = 0;
  Close(&ignored);
  HKEY rootKey = root == RegistryRoot::kUsers ? HKEY_USERS : HKEY_LOCAL_MACHINE;
  HKEY key = nullptr;
  if (RegOpenKeyExA(rootKey, path, 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) return false;
  handle_ = reinterpret_cast<std::intptr_t>(key);
  return true;
}

bool RegistryKey::ReadText(const char* name, char* buffer, std::size_t size) {
  if (size == 0) return false;
  buffer[0] = '\0';
  if (handle_ == 0) return false;
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExA(AsKey(handle_), name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
  // The stored text need not end with a terminator: it is taken by its byte count.
  std::vector<char> text(bytes + 1, '\0');
  if (RegQueryValueExA(AsKey(handle_), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes) !=
      ERROR_SUCCESS) {
    return false;
  }
  std::size_t n = strnlen(text.data(), bytes);
  if (n > size - 1) n = size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return true;
}

bool RegistryKey::ReadNumber(const char* name, std::uint32_t* value) {
  if (handle_ == 0) return false;
  DWORD type = 0;
  DWORD number = 0;
  DWORD bytes = sizeof number;
  if (RegQueryValueExA(AsKey(handle_), name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || bytes != sizeof number) {
    return false;
  }
  *value = number;
  return true;
}

bool RegistryKey::Close(long* error) {
  *error = 0;
  if (handle_ == 0) return true;
  LONG result = RegCloseKey(AsKey(handle_));
  handle_ = 0;
  *error = result;
  return result == ERROR_SUCCESS;
}

}  // namespace qx::platform
