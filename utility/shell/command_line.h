#pragma once

#include <cstddef>

#include "utility/shell/run_mode.h"

namespace qx {

// The longest command line the utility accepts; a longer one ends the process with 1001.
inline constexpr std::size_t kMaxCommandLineLength = 267;
// Size of the lower-case working copy of the command line.
inline constexpr std::size_t kCommandLineCopySize = 520;

// Classifies the command line (the text after the program name) into a run mode: exactly
// "/norva" in any case is Extended, a line beginning with "/r7000" in any case is Batch, anything
// else Normal. Returns 1 with *mode set, or 1001 when the line is longer than 267 characters.
int ClassifyCommandLine(const char* commandLine, RunMode* mode);

}  // namespace qx
