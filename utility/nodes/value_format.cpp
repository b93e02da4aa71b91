#include "utility/nodes/value_format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace qx {

std::string FormatValue(const char* format, ...) {
  char text[kValueTextSize];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) return std::string();
  return std::string(text);
}

std::string FieldText(const char* field, std::size_t size) {
  return std::string(field, strnlen(field, size));
}

}  // namespace qx
