#include "standins/ririv/opos_registry.h"

#include <cstdio>
#include <cstring>

namespace {

// Where the service keys of the device-mode Open live.
constexpr char kServiceRoot[] = "SOFTWARE\\NORVA\\OPOS";

// Longest key path this library composes, with its terminator (the registry's own limit for a
// whole path is far larger, but no key of the driver comes near this).
constexpr std::size_t kPathSize = 1024;

// A value that keeps growing while it is read is given up after this many attempts.
constexpr int kTextReadAttempts = 8;

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

}  // namespace

COposRegistry::COposRegistry() : key_(nullptr) {}

COposRegistry::~COposRegistry() { Close(); }

long COposRegistry::Open(HKEY root, const char* key, const char* subKey, int flag) {
  Close();
  if (key == nullptr) return ERROR_INVALID_PARAMETER;
  char path[kPathSize];
  int length = (subKey != nullptr && subKey[0] != '\0')
                   ? std::snprintf(path, sizeof path, "%s\\%s", key, subKey)
                   : std::snprintf(path, sizeof path, "%s", key);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) return ERROR_FILENAME_EXCED_RANGE;
  LONG result;
  if (flag != 0) {
    result = RegOpenKeyExA(root, path, 0, KEY_READ, &key_);
  } else {
    result = RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                             &key_, nullptr);
  }
  if (result != ERROR_SUCCESS) key_ = nullptr;
  return result;
}

long COposRegistry::Open(const char* key, const char* name, int flag) {
  if (key == nullptr) return ERROR_INVALID_PARAMETER;
  char path[kPathSize];
  const char* separator = key[0] == '\\' ? "" : "\\";
  int length = std::snprintf(path, sizeof path, "%s%s%s", kServiceRoot, separator, key);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) {
    Close();
    return ERROR_FILENAME_EXCED_RANGE;
  }
  return Open(HKEY_LOCAL_MACHINE, path, name, flag);
}

long COposRegistry::Close() {
  if (key_ == nullptr) return ERROR_SUCCESS;
  LONG result = RegCloseKey(key_);
  key_ = nullptr;
  return result;
}

long COposRegistry::GetValue(const char* name, unsigned long& value) {
  if (key_ == nullptr) return ERROR_INVALID_HANDLE;
  DWORD type = REG_NONE;
  DWORD number = 0;
  DWORD size = sizeof number;
  LONG result = RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size);
  if (result == ERROR_FILE_NOT_FOUND) return result;
  // One query with room for a number only: a larger value answers ERROR_MORE_DATA with its type.
  if ((result == ERROR_SUCCESS || result == ERROR_MORE_DATA) && type != REG_DWORD) return ERROR_FILE_NOT_FOUND;
  if (result != ERROR_SUCCESS) return result;
  if (size != sizeof number) return ERROR_INVALID_DATA;
  value = number;
  return ERROR_SUCCESS;
}

long COposRegistry::GetValue(const char* name, char*& text) {
  if (key_ == nullptr) return ERROR_INVALID_HANDLE;
  if (text == nullptr) return ERROR_INVALID_PARAMETER;
  HANDLE heap = GetProcessHeap();
  for (int attempt = 0; attempt < kTextReadAttempts; ++attempt) {
    SIZE_T capacity = HeapSize(heap, 0, text);
    if (capacity == static_cast<SIZE_T>(-1) || capacity == 0) return ERROR_INVALID_PARAMETER;
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(capacity);
    LONG result = RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return result;
    if (!IsText(type)) return ERROR_INVALID_DATATYPE;
    // The registry does not promise a terminator: keep room for one after what it stored.
    if (result == ERROR_MORE_DATA || size >= capacity) {
      bool complete = result == ERROR_SUCCESS;
      if (complete && size > 0 && text[size - 1] == '\0') return ERROR_SUCCESS;
      void* larger = HeapReAlloc(heap, 0, text, static_cast<SIZE_T>(size) + 1);
      if (larger == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
      text = static_cast<char*>(larger);
      if (complete) {
        text[size] = '\0';
        return ERROR_SUCCESS;
      }
      continue;
    }
    text[size] = '\0';
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}

long COposRegistry::SetValue(const char* name, unsigned long value) {
  if (key_ == nullptr) return ERROR_INVALID_HANDLE;
  DWORD number = value;
  return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

long COposRegistry::SetValue(const char* name, const char* text) {
  if (key_ == nullptr) return ERROR_INVALID_HANDLE;
  if (text == nullptr) return ERROR_INVALID_PARAMETER;
  std::size_t length = std::strlen(text);
  if (length >= MAXDWORD) return ERROR_INVALID_PARAMETER;
  return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(length + 1));
}
