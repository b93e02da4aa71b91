#include "utility/shell/window_paths.h"

#include <cstring>

namespace qx {

const char* PathNamePart(const char* path) {
  const char* backslash = std::strrchr(path, '\\');
  return backslash == nullptr ? path : backslash + 1;
}

std::string SaveTargetPath(const char* chosen) {
  std::string path(chosen);
  if (path.find(".qxr") == std::string::npos) path += ".qxr";
  return path;
}

bool CheckerPathBeside(const char* programPath, char* path, std::size_t size) {
  static constexpr char kChecker[] = "R7000Check.exe";
  if (size == 0) return false;
  path[0] = '\0';
  const char* name = PathNamePart(programPath);
  // The folder without its backslash; a bare program name has none, the checker then goes alone.
  std::size_t folder = name == programPath ? 0 : static_cast<std::size_t>(name - programPath) - 1;
  std::size_t needed = folder + (folder != 0 ? 1 : 0) + sizeof kChecker;
  if (needed > size) return false;
  std::memcpy(path, programPath, folder);
  std::size_t at = folder;
  if (folder != 0) path[at++] = '\\';
  std::memcpy(path + at, kChecker, sizeof kChecker);
  return true;
}

}  // namespace qx
