#include <cstdlib>
#include <cstring>

#include "platform/loopback_socket.h"

namespace qx::platform {
namespace {

bool ParsePort(const char* text, std::uint16_t* port) {
  if (*text == '\0' || std::strlen(text) > 5) return false;
  unsigned value = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + static_cast<unsigned>(*p - '0');
  }
  if (value == 0 || value > 65535) return false;
  *port = static_cast<std::uint16_t>(value);
  return true;
}

bool ParseIpv4(const char* text, std::size_t length, std::uint8_t out[4]) {
  int part = 0;
  unsigned value = 0;
  int digits = 0;
  for (std::size_t i = 0; i <= length; ++i) {
    char c = i < length ? text[i] : '.';
    if (c >= '0' && c <= '9') {
      value = value * 10 + static_cast<unsigned>(c - '0');
      if (++digits > 3 || value > 255) return false;
    } else if (c == '.') {
      if (digits == 0 || part > 3) return false;
      out[part++] = static_cast<std::uint8_t>(value);
      value = 0;
      digits = 0;
    } else {
      return false;
    }
  }
  return part == 4;
}

}  // namespace

bool ParseLoopbackAddress(const char* text, LoopbackAddress* address) {
  if (text == nullptr || address == nullptr) return false;
  LoopbackAddress parsed;
  if (std::strncmp(text, "[::1]:", 6) == 0) {
    parsed.ipv6 = true;
    if (!ParsePort(text + 6, &parsed.port)) return false;
    *address = parsed;
    return true;
  }
  const char* colon = std::strrchr(text, ':');
  if (colon == nullptr) return false;
  std::size_t hostLength = static_cast<std::size_t>(colon - text);
  if (hostLength == 9 && std::strncmp(text, "localhost", 9) == 0) {
    // 127.0.0.1 already in `parsed`.
  } else if (!ParseIpv4(text, hostLength, parsed.ipv4) || parsed.ipv4[0] != 127) {
    return false;
  }
  if (!ParsePort(colon + 1, &parsed.port)) return false;
  *address = parsed;
  return true;
}

}  // namespace qx::platform
