#pragma once

#include <cstddef>

namespace qx {

// Room for the joined arguments: more than the longest line the utility accepts, so that a line
// cut at this size is still refused as too long.
inline constexpr std::size_t kPosixCommandLineSize = 1024;

// Rebuilds the command line a Windows program would receive from POSIX arguments: the arguments
// joined by one blank, an argument holding a blank or a tab enclosed in double quotes. The result
// is cut to fit `size` and always terminated.
void JoinArguments(int count, char* const* arguments, char* line, std::size_t size);

}  // namespace qx
