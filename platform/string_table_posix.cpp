#include "platform/string_table.h"

#include <cstring>

#include "resources/utility_strings.h"

namespace qx::platform {

std::size_t LoadUtilityString(int id, char* buffer, std::size_t size) {
  if (size == 0) return 0;
  const char* text = UtilityStringText(id);
  std::size_t n = text == nullptr ? 0 : std::strlen(text);
  if (n > size - 1) n = size - 1;
  if (n > 0) std::memcpy(buffer, text, n);
  buffer[n] = '\0';
  return n;
}

}  // namespace qx::platform
