#pragma once

#include <cstddef>
#include <cstdint>

#include "utility/port/port_records.h"

// Turning the driver's answers into the texts and codes of PortInfo. Every walk is bounded by the
// bytes the driver returned and every text by its field.
namespace qx::port {

// "%X.%02X" of major and minor, always terminated.
void FormatVersionText(char* out, std::size_t size, unsigned major, unsigned minor);

// The run of string descriptors (request 0x222048): the language-ID descriptor is skipped, then
// of the next three descriptors the second becomes the first device string and the third the
// second; each text is the low bytes of its UTF-16 units.
void ParseDeviceStrings(const std::uint8_t* bytes, std::size_t size, PortInfo& info);

// The interface board's string descriptor (request 0x2220CC): low bytes of its UTF-16 units.
void ParseSerialNumber(const std::uint8_t* bytes, std::size_t size, char* out, std::size_t outSize);

// From bits 5..2 of the interface board's flags: 0001 -> 1, 0010 -> 2, 0100 -> 3, 1001 -> 4,
// any other -> 0.
std::int32_t LinkModeFromFlags(std::uint32_t flags);

}  // namespace qx::port
