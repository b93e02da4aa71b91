#include "platform/string_table.h"

#include <windows.h>

namespace qx::platform {

std::size_t LoadUtilityString(int id, char* buffer, std::size_t size) {
  if (size == 0) return 0;
  buffer[0] = '\0';
  int n = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, static_cast<int>(size));
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

}  // namespace qx::platform
