#pragma once

#include <cstddef>
#include <cstdint>

// An IPv4 address with a port, and the dotted text form the Ethernet port keeps its addresses in.
namespace qx::platform {

struct Ipv4Endpoint {
  std::uint8_t address[4] = {0, 0, 0, 0};  // dotted order: first byte = first number
  std::uint16_t port = 0;
};

// Parses "a.b.c.d" (each 0..255, nothing else around it). False for anything else.
bool ParseIpv4Text(const char* text, std::uint8_t out[4]);
// "%d.%d.%d.%d", bounded by size and terminated.
void FormatIpv4Text(const std::uint8_t address[4], char* out, std::size_t size);
bool IsLoopbackIpv4(const std::uint8_t address[4]);

}  // namespace qx::platform
