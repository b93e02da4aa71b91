#include "platform/pc_facts.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace qx::platform {

namespace {

void CopyText(const std::string& text, char* buffer, std::size_t size) {
  if (size == 0) return;
  std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

std::string Trim(std::string text) {
  std::size_t begin = text.find_first_not_of(" \t\"'");
  std::size_t end = text.find_last_not_of(" \t\"'\r\n");
  return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

// The value of `key` in a "key<separator>value" text file such as /etc/os-release.
std::string FileValue(const char* path, const std::string& key, char separator) {
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return std::string();
  std::string value;
  char line[512];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    std::string text(line);
    std::size_t at = text.find(separator);
    if (at != std::string::npos && Trim(text.substr(0, at)) == key) {
      value = Trim(text.substr(at + 1));
      break;
    }
  }
  std::fclose(file);
  return value;
}

}  // namespace

OsQuery QueryWindowsRelease(WindowsRelease* release) {
  *release = WindowsRelease{};
  return OsQuery::kOtherSystem;
}

bool QueryOtherSystemText(char* name, std::size_t nameSize, char* version, std::size_t versionSize) {
  utsname uts{};
  bool haveUts = uname(&uts) == 0;
  std::string osName = FileValue("/etc/os-release", "NAME", '=');
  if (osName.empty() && haveUts) osName = uts.sysname;
  std::string osVersion = FileValue("/etc/os-release", "VERSION", '=');
  if (osVersion.empty()) osVersion = FileValue("/etc/os-release", "VERSION_ID", '=');
  if (haveUts) {
    if (!osVersion.empty()) osVersion += ' ';
    osVersion += std::string(uts.sysname) + ' ' + uts.release;
  }
  CopyText(osName, name, nameSize);
  CopyText(osVersion, version, versionSize);
  return true;
}

bool QueryOtherSystemProcessor(char* text, std::size_t size) {
  std::string model = FileValue("/proc/cpuinfo", "model name", ':');
  utsname uts{};
  if (model.empty() && uname(&uts) == 0) model = uts.machine;
  CopyText(model, text, size);
  return true;
}

int ProcessorCount() {
  long n = sysconf(_SC_NPROCESSORS_CONF);
  return n > 0 ? static_cast<int>(n) : 1;
}

std::uint32_t PhysicalMemoryMegabytes() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  return static_cast<std::uint32_t>((static_cast<unsigned long long>(info.totalram) * info.mem_unit) >> 20);
}

bool IsWow64() { return false; }

bool IsWindows64Bit() { return false; }

bool EnableWow64FsRedirection(bool) { return true; }

bool WindowsDirectory(char* buffer, std::size_t size) {
  if (size > 0) buffer[0] = '\0';
  return false;
}

}  // namespace qx::platform
