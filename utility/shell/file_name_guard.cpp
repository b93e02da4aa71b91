#include "utility/shell/file_name_guard.h"

#include <cstring>

namespace qx {

namespace {

constexpr const char* kForbiddenNameCharacters = "\\/:;*?\"<>";

// Device names Windows resolves in any folder; matched as substrings, so "CONFIG" is refused too.
constexpr const char* kReservedWords[] = {
    "CLOCK$", "CON",  "AUX",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
    "COM9",   "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "PRN",
    "NUL",
};

constexpr const char* kAllowedModes[] = {"rb", "wb", "wt"};

const char* NamePart(const char* path) {
  const char* backslash = std::strrchr(path, '\\');
  return backslash == nullptr ? path : backslash + 1;
}

bool IsAllowedMode(const char* mode) {
  for (const char* allowed : kAllowedModes) {
    if (std::strcmp(mode, allowed) == 0) return true;
  }
  return false;
}

}  // namespace

bool IsSettingFilePathAllowed(const char* path) {
  if (path == nullptr) return false;
  if (std::strpbrk(NamePart(path), kForbiddenNameCharacters) != nullptr) return false;
  for (const char* word : kReservedWords) {
    if (std::strstr(path, word) != nullptr) return false;
  }
  return true;
}

std::FILE* OpenGuardedFile(const char* path, const char* mode) {
  if (mode == nullptr || !IsAllowedMode(mode) || !IsSettingFilePathAllowed(path)) return nullptr;
  return std::fopen(path, mode);
}

}  // namespace qx
