#pragma once

#include <string>
#include <vector>

namespace qx::qxr {

enum class Verb { kNone, kShow, kJson, kDiff, kHtml, kProfile };

struct CommandLine {
  Verb verb = Verb::kNone;
  bool help = false;     // --help, alone or behind a command
  bool version = false;  // --version
  bool raw = false;      // json --raw
  bool json = false;     // diff --json
  std::string output;    // -o FILE; empty: standard output
  std::vector<std::string> files;
  std::string error;  // non-empty: a usage error, to be shown with the usage
};

// Reads the arguments behind the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text of a command, or of the program for Verb::kNone.
std::string UsageText(Verb verb);

}  // namespace qx::qxr
