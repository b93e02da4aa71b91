#pragma once

#include <cstddef>
#include <cstdint>

// Records of the calibration nodes. The scanner's calibration memory is a byte area; every byte
// read is kept as a 16-bit value, 0xFFFF while unread.
namespace qx {

inline constexpr std::size_t kReferenceValues = 816;

#pragma pack(push, 1)

struct ReferenceTableRecord {
  std::uint16_t value[kReferenceValues];
};

// Built from the eight values of a face's range.
struct CalibrationValueRecord {
  std::uint16_t afeOffset;          // value 1
  std::uint16_t afeGain;            // value 2
  std::uint16_t afeVoltage;         // value 3
  std::uint16_t value4;             // kept, not shown
  std::uint16_t shadingCorrection;  // value 5
  std::uint16_t ledLightening;      // value 6
  std::int32_t ledEmissionTime;     // value 7 + value 8 * 256; -1 unread
};

// Built from the four values of the last range.
struct OtherCalibrationRecord {
  std::int32_t calibrationStatus;  // value 1 + value 2 * 256; -1 unread
  std::int32_t errorFactor;        // value 3 + value 4 * 256; -1 unread
};

#pragma pack(pop)

static_assert(sizeof(ReferenceTableRecord) == 1632);
static_assert(offsetof(ReferenceTableRecord, value) == 0);

static_assert(sizeof(CalibrationValueRecord) == 16);
static_assert(offsetof(CalibrationValueRecord, afeOffset) == 0);
static_assert(offsetof(CalibrationValueRecord, afeGain) == 2);
static_assert(offsetof(CalibrationValueRecord, afeVoltage) == 4);
static_assert(offsetof(CalibrationValueRecord, value4) == 6);
static_assert(offsetof(CalibrationValueRecord, shadingCorrection) == 8);
static_assert(offsetof(CalibrationValueRecord, ledLightening) == 10);
static_assert(offsetof(CalibrationValueRecord, ledEmissionTime) == 12);

static_assert(sizeof(OtherCalibrationRecord) == 8);
static_assert(offsetof(OtherCalibrationRecord, calibrationStatus) == 0);
static_assert(offsetof(OtherCalibrationRecord, errorFactor) == 4);

}  // namespace qx
