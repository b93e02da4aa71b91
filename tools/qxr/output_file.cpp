#include "tools/qxr/output_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace qx::qxr {

bool WriteOutput(const std::string& text, const std::string& path, std::string* why) {
  if (path.empty()) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
      *why = "standard output could not be written";
      return false;
    }
    return true;
  }
  // Beside the target, so that the final rename stays on one file system.
  const std::string temporary = path + ".part";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    *why = path + ": cannot be written";
    return false;
  }
  bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  written = std::fflush(file) == 0 && written;
  written = std::fclose(file) == 0 && written;
  std::error_code error;
  if (written) std::filesystem::rename(temporary, path, error);
  if (!written || error) {
    std::filesystem::remove(temporary, error);
    *why = path + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace qx::qxr
