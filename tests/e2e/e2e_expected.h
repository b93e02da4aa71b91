#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The file a batch export against the default profile must write, written by hand from the
// profile's values and the record layouts, for the slots whose bytes come from the scanner and
// its driver alone (the PC-side slots differ from machine to machine).
namespace qx::e2e {

struct ExpectedSlot {
  const char* name;
  std::size_t fileOffset;
  std::vector<std::uint8_t> bytes;
};

// The 12 header bytes: "QXR", version 1.3.1.0, length 20633, zero.
std::vector<std::uint8_t> ExpectedHeader();

// The device-side slots; `profileText` is default.json (its calibration tables are long hex texts,
// taken from it rather than copied here).
std::vector<ExpectedSlot> ExpectedDeviceSlots(const std::string& profileText);

// Bytes as hexadecimal text, so that a mismatch shows what was expected and what came.
std::string HexOf(const std::string& bytes);
std::string HexOf(const std::vector<std::uint8_t>& bytes);

// The text of a file, empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

}  // namespace qx::e2e
