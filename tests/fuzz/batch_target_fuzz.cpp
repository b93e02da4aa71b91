// Any command line is parsed without writing outside the 259-byte target; a name that is accepted
// fits, holds no forward slash and ends in ".qxr".
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "utility/shell/batch_target.h"
#include "utility/shell/file_name_guard.h"
#include "utility/shell/result_code.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Terminated at its first zero byte, as the entry receives it; the switch in front half the time
  // so that most inputs reach the name rules.
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.c_str();
  if (!line.empty() && (line[0] & 1)) line = "/r7000" + line.substr(1);

  auto target = std::make_unique<qx::BatchTarget>();
  int result = qx::ParseBatchTarget(line.c_str(), *target);
  if (result == qx::kResultStartup) return 0;
  if (result != qx::kResultSuccess) __builtin_trap();

  std::size_t length = strnlen(target->path, sizeof target->path);
  if (length >= sizeof target->path) __builtin_trap();
  if (length < 4 || std::memcmp(target->path + length - 4, ".qxr", 4) != 0) __builtin_trap();
  if (std::strchr(target->path, '/') != nullptr) __builtin_trap();
  qx::IsSettingFilePathAllowed(target->path);
  return 0;
}
