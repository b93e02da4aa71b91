#include "platform/ipv4_endpoint.h"

#include <cstdio>

namespace qx::platform {

bool ParseIpv4Text(const char* text, std::uint8_t out[4]) {
  if (text == nullptr) return false;
  std::uint8_t parsed[4] = {};
  int part = 0;
  unsigned value = 0;
  int digits = 0;
  for (const char* p = text;; ++p) {
    const char c = *p;
    if (c >= '0' && c <= '9') {
      value = value * 10 + static_cast<unsigned>(c - '0');
      if (++digits > 3 || value > 255) return false;
    } else if (c == '.' || c == '\0') {
      if (digits == 0 || part > 3) return false;
      parsed[part++] = static_cast<std::uint8_t>(value);
      value = 0;
      digits = 0;
      if (c == '\0') break;
    } else {
      return false;
    }
  }
  if (part != 4) return false;
  for (int i = 0; i < 4; ++i) out[i] = parsed[i];
  return true;
}

void FormatIpv4Text(const std::uint8_t address[4], char* out, std::size_t size) {
  if (size == 0) return;
  std::snprintf(out, size, "%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
}

bool IsLoopbackIpv4(const std::uint8_t address[4]) { return address[0] == 127; }

}  // namespace qx::platform
