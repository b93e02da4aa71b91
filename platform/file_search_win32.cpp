#include "platform/file_search.h"

#include <windows.h>

namespace qx::platform {

void FindEntries(const char* pattern, const std::function<bool(const FoundEntry&)>& visit) {
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    FoundEntry entry{data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
    if (!visit(entry)) break;
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

bool FileExists(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace qx::platform
