#pragma once

#include <cstddef>
#include <string>

namespace qx {

// Size of the text buffer every formatted value goes through.
inline constexpr std::size_t kValueTextSize = 260;

// printf-style formatting of one value through the 260-byte buffer (longer results are cut).
std::string FormatValue(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The text of a fixed-size field of a record, up to its terminator or the end of the field,
// whichever comes first: a record read from a device or a file may lack the terminator.
std::string FieldText(const char* field, std::size_t size);

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return FieldText(field, N);
}

}  // namespace qx
