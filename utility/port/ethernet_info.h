#pragma once

#include <cstddef>
#include <cstdint>

#include "utility/port/port_records.h"
#include "utility/port/udp_packet.h"

// Turning control-protocol replies into the EthernetInfo record. Every text is bounded by its
// field and by the parameter bytes the reply carried, and always terminated.
namespace qx::port {

inline constexpr std::size_t kMacTextSize = 18;

// "%02X:%02X:%02X:%02X:%02X:%02X" of six bytes.
void FormatMacText(const std::uint8_t* bytes, char* out, std::size_t size);

// Result codes of a unit identity reply.
inline constexpr int kIdentityBoard = 0;       // an interface board ("XB-E...")
inline constexpr int kIdentityUnit = 0xE000;   // a unit with its own network interface
inline constexpr std::uint8_t kUnitKindAskedForDeviceStatus = 4;

// The EthernetInfo of a record not yet filled: empty texts, numbers 0, interface-kind flag 1.
void ClearEthernetInfo(EthernetInfo& info);

// From a unit identity reply: name (the parameters as text), version texts and numbers from
// bytes 36..39, MAC text from bytes 40..45.
void FillIdentity(EthernetInfo& info, const std::uint8_t* parameters, int length);

// The model class code. For an interface board by its hardware major version:
//   1 -> "XB1", 2 -> "XB2", any other -> "XBX".
// For a unit by the name prefix in bytes 6..9 of its device-status reply:
//   "R700" -> "R7S" (the desktop QX-R7000), "R7NE" -> "R7N" (its networked model),
//   any other -> "R7X".
void SetBoardModelClass(EthernetInfo& info, std::uint8_t hardwareMajor);
void SetUnitModelClass(EthernetInfo& info, const std::uint8_t* statusParameters);

// Whether the identity reply's parameters start with "XB-E" (an interface board).
bool IsInterfaceBoard(const std::uint8_t* parameters, int length);

}  // namespace qx::port
