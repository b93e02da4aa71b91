#pragma once

#include <cstddef>
#include <string>

namespace qx {

inline constexpr std::size_t kPathSize = 260;

// The name part of a path: the text after its last backslash, or the whole path.
const char* PathNamePart(const char* path);

// The path Save writes: the chosen path with ".qxr" appended unless it holds ".qxr" anywhere
// (case-sensitive, so "report.QXR" becomes "report.QXR.qxr").
std::string SaveTargetPath(const char* chosen);

// The checker beside the utility: the folder of `programPath` (up to its last backslash), a
// backslash and "R7000Check.exe". False when that does not fit in `size` bytes with its terminator.
bool CheckerPathBeside(const char* programPath, char* path, std::size_t size);

}  // namespace qx
