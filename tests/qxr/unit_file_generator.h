#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "utility/shell/setting_record.h"

// Setting files of made-up units, byte for byte as the batch export writes them for a scanner
// and driver holding those values: random identities, counters, thresholds, readings that agree
// with the sensor states, calibration curves, error histories, descriptors (with UTF-16 texts
// beyond ASCII) and vendor words.
namespace qx::qxrtest {

struct UnitOptions {
  unsigned seed = 1;
  // A run of pixels of the face brightness table 40 % below the curve (from pixel `dipAt`, 1-based).
  int dipAt = 0;
  int dipWidth = 6;
  // Texts with markup characters, bytes above 0x7F and a device name filling its field without a
  // terminator: not what a scanner sends, but what a damaged or crafted file may hold.
  bool hostile = false;
};

SettingRecord MakeUnitRecord(const UnitOptions& options);

// The whole file: this utility's header, then the record.
std::vector<std::uint8_t> MakeUnitFile(const UnitOptions& options);

// Puts `bytes` into a file; false when it cannot be written.
bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace qx::qxrtest
