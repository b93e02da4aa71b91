#pragma once

#include <functional>

namespace qx::platform {

struct FoundEntry {
  const char* name;  // the entry's own name, without its folder
  bool isDirectory;
};

// Lists the entries matching `pattern` (a folder, a separator and a wildcard name such as
// "*.dll" or "*") in the order the file system returns them. `visit` returns false to stop.
void FindEntries(const char* pattern, const std::function<bool(const FoundEntry&)>& visit);

// True when `path` names a file (not a folder).
bool FileExists(const char* path);

}  // namespace qx::platform
