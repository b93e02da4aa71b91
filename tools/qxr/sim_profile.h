#pragma once

#include <cstddef>
#include <string>

#include "tools/qxr/opened_file.h"

namespace qx::qxr {

// A byte range of the setting record that a unit's scanner and driver decide. A batch export
// against qxr7000-sim started with the profile of a file writes these bytes exactly as the file
// holds them; the rest (operating system, installed modules, file versions) is the PC's.
struct ReproducedRange {
  const char* name;
  std::size_t offset;  // in the setting record (the file offset is 12 more)
  std::size_t size;
};

inline constexpr ReproducedRange kReproducedRanges[] = {
    {"Device", 0, 189},
    {"USB host controller", 189 + 208, 32},  // the System record's text of the driver's answer
    {"Sensor Status", 10202, 11},
    {"AD Converter", 11237, 14},
    {"NORVA NV", 11251, 729},
    {"Maintenance Counter", 11980, 110},
    {"Threshold Value", 12090, 28},
    {"Calibration", 12950, 6568},  // face values and tables, back values and tables, other values
    {"Error History", 19518, 160},
    {"USB Standard Request", 19678, 633},  // descriptors and the device status
    {"USB Vendor Request", 20311, 310},    // power save to XB status
};

// A qxr7000-sim profile (JSON) that reproduces the unit of `file`. What a setting file does not
// hold gets the defaults the README lists.
std::string SimProfile(const OpenedFile& file);

}  // namespace qx::qxr
