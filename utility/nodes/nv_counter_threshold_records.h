#pragma once

#include <cstddef>
#include <cstdint>

#include "utility/nodes/device_records.h"

// Records of the NV text, maintenance counter and threshold value nodes, byte for byte as the
// setting record keeps them.
namespace qx {

inline constexpr std::size_t kNvSlots = 9;
inline constexpr std::size_t kNvSlotTextSize = 81;  // 80 characters and NUL
inline constexpr std::size_t kCounterSlots = 10;
inline constexpr std::size_t kCounterTextSize = 11;  // 10 characters and NUL

#pragma pack(push, 1)

struct NvRecord {
  char slot[kNvSlots][kNvSlotTextSize];
};

// Slots 0-4 are the counters 70, 60, 61, 62, 63; slots 5-9 the same counters + 0x80.
struct MaintenanceCounterRecord {
  char counter[kCounterSlots][kCounterTextSize];
  DeviceRecord device;  // not stored: its pocket count decides whether "Pocket" is shown
};

// The unread marker is 0xFFFF / -1; 0xFF (two-digit fields) and 0xFFFF (four-digit fields) mean
// the scanner holds no value.
struct ThresholdRecord {
  std::uint16_t asfDetector;
  std::uint16_t paperLengthDetector;
  std::uint16_t middleDetector;
  std::uint16_t frankingDetector;
  std::uint16_t ejectDetector;
  std::uint8_t slack1[2];
  std::int32_t doubleFeedPaperNotPresent;
  std::int32_t doubleFeedPaperPresent;
  std::int32_t spiInformation;
  std::uint16_t cisDifference;
  std::uint8_t slack2[2];
};

#pragma pack(pop)

static_assert(sizeof(NvRecord) == 729);
static_assert(offsetof(NvRecord, slot) == 0);

static_assert(sizeof(MaintenanceCounterRecord) == 299);
static_assert(offsetof(MaintenanceCounterRecord, counter) == 0);
static_assert(offsetof(MaintenanceCounterRecord, device) == 110);
inline constexpr std::size_t kMaintenanceCounterStored = 110;

static_assert(sizeof(ThresholdRecord) == 28);
static_assert(offsetof(ThresholdRecord, asfDetector) == 0);
static_assert(offsetof(ThresholdRecord, paperLengthDetector) == 2);
static_assert(offsetof(ThresholdRecord, middleDetector) == 4);
static_assert(offsetof(ThresholdRecord, frankingDetector) == 6);
static_assert(offsetof(ThresholdRecord, ejectDetector) == 8);
static_assert(offsetof(ThresholdRecord, slack1) == 10);
static_assert(offsetof(ThresholdRecord, doubleFeedPaperNotPresent) == 12);
static_assert(offsetof(ThresholdRecord, doubleFeedPaperPresent) == 16);
static_assert(offsetof(ThresholdRecord, spiInformation) == 20);
static_assert(offsetof(ThresholdRecord, cisDifference) == 24);
static_assert(offsetof(ThresholdRecord, slack2) == 26);

}  // namespace qx
