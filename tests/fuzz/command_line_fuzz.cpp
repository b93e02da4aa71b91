// Any command line, of any length and bytes, is classified without touching memory outside the
// buffers; the POSIX argument join stays within its destination.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "utility/shell/command_line.h"
#include "utility/shell/posix_command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.c_str();  // the entry receives a terminated text
  qx::RunMode mode;
  int result = qx::ClassifyCommandLine(line.c_str(), &mode);
  if (result != 1 && result != 1001) __builtin_trap();
  if ((line.size() > qx::kMaxCommandLineLength) != (result == 1001)) __builtin_trap();

  std::vector<std::string> parts;
  std::string part;
  for (char c : line) {
    if (c == '\n') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  std::vector<char*> argv;
  for (std::string& p : parts) argv.push_back(p.data());
  char joined[64];
  qx::JoinArguments(static_cast<int>(argv.size()), argv.data(), joined, sizeof joined);
  return 0;
}
