#include "utility/port/usb_info.h"

#include <algorithm>
#include <cstdio>

namespace qx::port {

namespace {

constexpr std::size_t kMaxDescriptorText = 255;

// Copies the low byte of `units` UTF-16 units starting at `from`, bounded by the output field.
void CopyLowBytes(const std::uint8_t* from, std::size_t units, char* out, std::size_t outSize) {
  if (outSize == 0) return;
  std::size_t n = std::min({units, kMaxDescriptorText, outSize - 1});
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<char>(from[2 * i]);
  out[n] = '\0';
}

}  // namespace

void FormatVersionText(char* out, std::size_t size, unsigned major, unsigned minor) {
  if (size == 0) return;
  std::snprintf(out, size, "%X.%02X", major, minor);
}

void ParseDeviceStrings(const std::uint8_t* bytes, std::size_t size, PortInfo& info) {
  if (size == 0) return;
  std::size_t first = bytes[0];
  if (first > size) return;
  std::size_t pos = first;
  std::size_t left = size - first;
  for (int k = 0; k < 3 && left > 0; ++k) {
    std::size_t length = bytes[pos];
    // A length past the bytes returned ends the walk; so does 0, which would never advance.
    if (length > left || length == 0) break;
    std::size_t units = length / 2 >= 1 ? length / 2 - 1 : 0;
    if (k == 1) {
      CopyLowBytes(bytes + pos + 2, units, info.firstDeviceString, sizeof info.firstDeviceString);
    } else if (k == 2) {
      CopyLowBytes(bytes + pos + 2, units, info.secondDeviceString, sizeof info.secondDeviceString);
    }
    pos += length;
    left -= length;
  }
}

void ParseSerialNumber(const std::uint8_t* bytes, std::size_t size, char* out, std::size_t outSize) {
  if (outSize == 0) return;
  out[0] = '\0';
  if (size < 2) return;
  std::size_t length = std::min<std::size_t>(bytes[0], size);
  std::size_t units = length / 2 >= 1 ? length / 2 - 1 : 0;
  CopyLowBytes(bytes + 2, units, out, outSize);
}

std::int32_t LinkModeFromFlags(std::uint32_t flags) {
  switch ((flags >> 2) & 0xFu) {
    case 0x1: return 1;
    case 0x2: return 2;
    case 0x4: return 3;
    case 0x9: return 4;
    default: return 0;
  }
}

}  // namespace qx::port
