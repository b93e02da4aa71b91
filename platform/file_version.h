#pragma once

#include <cstddef>

namespace qx::platform {

// The version text of a file's version resource, written to `destination` (cut to size - 1
// characters, terminated): "%d.%d.%d.%d" of the fixed file version, or, without fixed file
// information, the FileVersion string of the first language and code page. 1 when a text was
// written, 0 otherwise. Elsewhere than Windows files carry no version resource: always 0.
int GetFileVersionText(const char* path, char* destination, std::size_t size);

}  // namespace qx::platform
