#pragma once

#include <cstddef>

namespace qx {

// Size of a composed message, terminator included.
inline constexpr std::size_t kMessageSize = 520;

// The text the window shows for a result code, from the string table: the fixed message of the
// code, or the error-code message composed with it. Returns false (and an empty text) for code 1,
// which shows nothing. `text` holds at most kMessageSize - 1 characters and is always terminated.
bool ResultCodeMessage(int code, char (&text)[kMessageSize]);

}  // namespace qx
