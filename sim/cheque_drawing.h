#pragma once

#include <cstdint>
#include <vector>

#include "sim/api_profile.h"

// Pictures of a scanned cheque as the scanner's contact image sensors deliver them: 8-bit grey,
// 100 dots per inch, as a packed bitmap (a 40-byte information header, a 256-entry grey colour
// table, then the rows bottom-up, each padded to 4 bytes).
namespace qx::sim {

inline constexpr int kChequeWidth = 600;   // 6 inches
inline constexpr int kChequeHeight = 275;  // 2.75 inches

// Face 0 is the front (printed fields, the MICR line in its font's style), face 1 the back
// (endorsement area; the franking pattern when `franked`).
void DrawChequeFace(const ApiDocument& document, int face, bool franked, std::vector<std::uint8_t>* dib);

}  // namespace qx::sim
