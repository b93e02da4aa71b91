#pragma once

#include <cstdio>

namespace qx {

// True when a setting-file path may be opened: its name part (the text after the last backslash,
// or the whole path) holds none of \ / : ; * ? " < >, and the whole path holds none of the device
// words CLOCK$, CON, AUX, COM1-COM9, LPT1-LPT9, PRN, NUL (case-sensitive, anywhere in the path).
bool IsSettingFilePathAllowed(const char* path);

// Opens a setting file through the guard with mode "rb", "wb" or "wt". A refused path or any other
// mode behaves like a failed open: null.
std::FILE* OpenGuardedFile(const char* path, const char* mode);

}  // namespace qx
