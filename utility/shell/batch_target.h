#pragma once

#include <cstddef>

namespace qx {

// The batch target path: at most 258 characters and the terminating zero.
inline constexpr std::size_t kBatchTargetSize = 259;

struct BatchTarget {
  char path[kBatchTargetSize];
};

// Takes the target name out of the command line as passed ("/r7000", one separator character of
// any kind, then the argument), case-sensitively: a quoted argument gives the text between the
// quotes, and ".qxr" is appended to a name that does not already end in it. Returns 1 with
// `target` set, or 1001 when the line has no argument, the argument holds a forward slash, or the
// name would not fit the target buffer.
int ParseBatchTarget(const char* commandLine, BatchTarget& target);

// Parses the target and checks it can be written: the name passes the file-name guard and opening
// it for text writing creates it or empties it. Returns 1, or 1001 when the target is unusable.
int PrepareBatchTarget(const char* commandLine, BatchTarget& target);

}  // namespace qx
