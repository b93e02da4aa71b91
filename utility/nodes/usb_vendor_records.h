#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// Records of the USB vendor request nodes. The driver writes its little-endian words straight
// into them.
namespace qx {

static_assert(std::endian::native == std::endian::little, "the driver's words are stored as they come");

#pragma pack(push, 1)

struct PowerSaveRecord {
  std::int32_t resumeTime;  // never read: keeps its unread marker
  std::int32_t appSuspend;
};

// Major version in the upper 16 bits, minor version in the lower 16 bits.
struct QxusbVersionRecord {
  std::uint32_t version;
};

// The interface board's configuration word; 0x00FF while unread.
struct XbConfigurationRecord {
  std::uint16_t word;
};

inline constexpr std::size_t kXbStringRecordSize = 256;

// The interface board's string descriptor: bLength, bDescriptorType, UTF-16 text.
struct XbStringRecord {
  std::uint8_t bytes[kXbStringRecordSize];
};

// Whole milliseconds of the four time-outs, then their thousandths in the same order.
struct PipeTimeOutRecord {
  std::int32_t readMultiplier;
  std::int32_t readConstant;
  std::int32_t writeMultiplier;
  std::int32_t writeConstant;
  std::int32_t readMultiplierThousandths;
  std::int32_t readConstantThousandths;
  std::int32_t writeMultiplierThousandths;
  std::int32_t writeConstantThousandths;
};

// Bits 28-31 mode, 24-27 cancel request, 12-23 wait time, 0-11 error code.
struct TimeOutModeRecord {
  std::uint32_t word;
};

struct XbStatusRecord {
  std::uint32_t word;
};

#pragma pack(pop)

static_assert(sizeof(PowerSaveRecord) == 8);
static_assert(offsetof(PowerSaveRecord, resumeTime) == 0);
static_assert(offsetof(PowerSaveRecord, appSuspend) == 4);

static_assert(sizeof(QxusbVersionRecord) == 4);
static_assert(offsetof(QxusbVersionRecord, version) == 0);

static_assert(sizeof(XbConfigurationRecord) == 2);
static_assert(offsetof(XbConfigurationRecord, word) == 0);

static_assert(sizeof(XbStringRecord) == 256);
static_assert(offsetof(XbStringRecord, bytes) == 0);

static_assert(sizeof(PipeTimeOutRecord) == 32);
static_assert(offsetof(PipeTimeOutRecord, readMultiplier) == 0);
static_assert(offsetof(PipeTimeOutRecord, readConstant) == 4);
static_assert(offsetof(PipeTimeOutRecord, writeMultiplier) == 8);
static_assert(offsetof(PipeTimeOutRecord, writeConstant) == 12);
static_assert(offsetof(PipeTimeOutRecord, readMultiplierThousandths) == 16);
static_assert(offsetof(PipeTimeOutRecord, readConstantThousandths) == 20);
static_assert(offsetof(PipeTimeOutRecord, writeMultiplierThousandths) == 24);
static_assert(offsetof(PipeTimeOutRecord, writeConstantThousandths) == 28);

static_assert(sizeof(TimeOutModeRecord) == 4);
static_assert(offsetof(TimeOutModeRecord, word) == 0);

static_assert(sizeof(XbStatusRecord) == 4);
static_assert(offsetof(XbStatusRecord, word) == 0);

}  // namespace qx
