#pragma once

#include <cstddef>

namespace qx::platform {

// Copies string `id` of the utility's string table into `buffer` (always terminated, truncated to
// `size` - 1 characters) and returns its length; 0 and an empty buffer for an unknown id.
// Windows loads it from the program's resource; elsewhere it comes from the compiled table.
std::size_t LoadUtilityString(int id, char* buffer, std::size_t size);

}  // namespace qx::platform
