#include "utility/shell/entry.h"
#include "utility/shell/posix_command_line.h"

int main(int argc, char** argv) {
  char line[qx::kPosixCommandLineSize];
  qx::JoinArguments(argc - 1, argv + 1, line, sizeof line);
  // A POSIX exit status holds the code's low 8 bits.
  return qx::RunUtility(line) & 0xFF;
}
