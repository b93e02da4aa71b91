#include "platform/file_search.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <string>

namespace qx::platform {

void FindEntries(const char* pattern, const std::function<bool(const FoundEntry&)>& visit) {
  std::string text(pattern);
  std::size_t cut = text.find_last_of("/\\");
  std::string folder = cut == std::string::npos ? std::string(".") : text.substr(0, cut);
  std::string name = cut == std::string::npos ? text : text.substr(cut + 1);
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (dirent* found = readdir(dir)) {
    if (fnmatch(name.c_str(), found->d_name, 0) != 0) continue;
    struct stat info {};
    bool isDirectory = stat((folder + '/' + found->d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (!visit(FoundEntry{found->d_name, isDirectory})) break;
  }
  closedir(dir);
}

bool FileExists(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace qx::platform
