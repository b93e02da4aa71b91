#include "utility/shell/command_line.h"

#include <cstring>

#include "utility/shell/result_code.h"

namespace qx {

namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

int ClassifyCommandLine(const char* commandLine, RunMode* mode) {
  *mode = kRunModeNormal;
  if (commandLine == nullptr) commandLine = "";

  // The copy is bounded by its buffer: a line longer than the buffer is refused below anyway,
  // so it must never be copied whole first.
  char copy[kCommandLineCopySize];
  std::size_t length = strnlen(commandLine, kCommandLineCopySize);
  std::size_t copied = length < kCommandLineCopySize ? length : kCommandLineCopySize - 1;
  for (std::size_t i = 0; i < copied; ++i) copy[i] = AsciiLower(commandLine[i]);
  copy[copied] = '\0';

  if (length > kMaxCommandLineLength) return kResultStartup;

  if (copy[0] == '\0') {
    *mode = kRunModeNormal;
  } else if (std::strcmp(copy, "/norva") == 0) {
    *mode = kRunModeExtended;
  } else if (std::strncmp(copy, "/r7000", 6) == 0) {
    *mode = kRunModeBatch;
  } else {
    *mode = kRunModeNormal;
  }
  return kResultSuccess;
}

}  // namespace qx
