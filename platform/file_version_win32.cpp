#include "platform/file_version.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace qx::platform {

int GetFileVersionText(const char* path, char* destination, std::size_t size) {
  if (size == 0) return 0;
  DWORD ignored = 0;
  DWORD infoSize = GetFileVersionInfoSizeA(path, &ignored);
  if (infoSize == 0) return 0;
  std::vector<char> info(infoSize);
  if (!GetFileVersionInfoA(path, 0, infoSize, info.data())) return 0;

  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translation = nullptr;
  UINT translationSize = 0;
  bool haveTranslation = VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                                        reinterpret_cast<void**>(&translation), &translationSize) &&
                         translationSize >= sizeof(Translation);

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) &&
      fixedSize >= sizeof(VS_FIXEDFILEINFO)) {
    std::snprintf(destination, size, "%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    return 1;
  }
  if (!haveTranslation) return 0;
  char query[64];
  std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\FileVersion", translation->language,
                translation->codePage);
  char* text = nullptr;
  UINT textSize = 0;
  if (!VerQueryValueA(info.data(), query, reinterpret_cast<void**>(&text), &textSize) || text == nullptr) return 0;
  std::size_t n = strnlen(text, textSize);
  if (n > size - 1) n = size - 1;
  std::memcpy(destination, text, n);
  destination[n] = '\0';
  return 1;
}

}  // namespace qx::platform
