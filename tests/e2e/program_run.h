#pragma once

#include <string>
#include <vector>

// Runs one of the built programs in a folder and collects its exit status and output.
namespace qx::e2e {

struct ProgramOutcome {
  long long status = -1;  // the exit code (Linux: its low 8 bits); -1 when it could not run
  std::string out, err;   // Windows text output without carriage returns
};

// `program` is a path (native) or a name in the test's own folder (Windows). Arguments are passed
// one by one (quoted on the Windows command line where they hold a blank).
ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder);

}  // namespace qx::e2e
