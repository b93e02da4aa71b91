#pragma once

#include <cstddef>
#include <cstdint>

// Records of the device identity, sensor status and AD converter nodes, byte for byte as the
// setting record keeps them. Texts are zero-terminated and zero-filled; an unread one-byte field
// holds 0xFF, an unread 16-bit field 0xFFFF, an unread 32-bit field -1.
namespace qx {

#pragma pack(push, 1)

struct DeviceRecord {
  char deviceName[33];
  char firmwareVersion[33];
  char interfaceName[16];
  char companyName[33];
  char serialNumber[33];
  std::uint8_t speedCode;        // '@', 'B' or 'D'
  std::uint8_t remoteWakeUp;     // '0' or '1'
  std::uint8_t franker;          // '0' not installed, '1' installed
  char originalVersion[33];
  std::uint8_t bootMode;         // '0' normal mode, '1' boot mode
  std::uint8_t calibrationFlag;  // '0' not yet, '1' done
  std::uint8_t scannerType;      // 0 single feed, 1 multi feed
  std::uint8_t waterfallMode;    // 0 not supported, 1 supported
  std::uint8_t pockets;          // 1 or 2
};

// Each state is '0' or '1' (see the rows for their meaning).
struct SensorStatusRecord {
  std::uint8_t asfDetector;
  std::uint8_t paperLengthDetector;
  std::uint8_t middleDetector;
  std::uint8_t frankingDetector;
  std::uint8_t ejectDetector;
  std::uint8_t hopperPosition;
  std::uint8_t stampPosition;
  std::uint8_t separationPlatePosition;
  std::uint8_t pocketNearFull;
  std::uint8_t subPocketNearFull;
  std::uint8_t insertionWaiting;
  DeviceRecord device;  // not stored: its pocket count decides which rows exist
};

// Raw sensor readings.
struct ADConverterRecord {
  std::uint16_t paperLengthDetector;
  std::uint16_t voltage;
  std::uint16_t middleDetector;
  std::uint16_t frankingDetector;
  std::uint16_t ejectDetector;
  std::int32_t doubleFeedSensor;  // a 16-bit reading
  std::uint8_t slack[2];          // not stored
};

#pragma pack(pop)

static_assert(sizeof(DeviceRecord) == 189);
static_assert(offsetof(DeviceRecord, deviceName) == 0);
static_assert(offsetof(DeviceRecord, firmwareVersion) == 33);
static_assert(offsetof(DeviceRecord, interfaceName) == 66);
static_assert(offsetof(DeviceRecord, companyName) == 82);
static_assert(offsetof(DeviceRecord, serialNumber) == 115);
static_assert(offsetof(DeviceRecord, speedCode) == 148);
static_assert(offsetof(DeviceRecord, remoteWakeUp) == 149);
static_assert(offsetof(DeviceRecord, franker) == 150);
static_assert(offsetof(DeviceRecord, originalVersion) == 151);
static_assert(offsetof(DeviceRecord, bootMode) == 184);
static_assert(offsetof(DeviceRecord, calibrationFlag) == 185);
static_assert(offsetof(DeviceRecord, scannerType) == 186);
static_assert(offsetof(DeviceRecord, waterfallMode) == 187);
static_assert(offsetof(DeviceRecord, pockets) == 188);

static_assert(sizeof(SensorStatusRecord) == 200);
static_assert(offsetof(SensorStatusRecord, asfDetector) == 0);
static_assert(offsetof(SensorStatusRecord, paperLengthDetector) == 1);
static_assert(offsetof(SensorStatusRecord, middleDetector) == 2);
static_assert(offsetof(SensorStatusRecord, frankingDetector) == 3);
static_assert(offsetof(SensorStatusRecord, ejectDetector) == 4);
static_assert(offsetof(SensorStatusRecord, hopperPosition) == 5);
static_assert(offsetof(SensorStatusRecord, stampPosition) == 6);
static_assert(offsetof(SensorStatusRecord, separationPlatePosition) == 7);
static_assert(offsetof(SensorStatusRecord, pocketNearFull) == 8);
static_assert(offsetof(SensorStatusRecord, subPocketNearFull) == 9);
static_assert(offsetof(SensorStatusRecord, insertionWaiting) == 10);
static_assert(offsetof(SensorStatusRecord, device) == 11);
inline constexpr std::size_t kSensorStatusStored = 11;

static_assert(sizeof(ADConverterRecord) == 16);
static_assert(offsetof(ADConverterRecord, paperLengthDetector) == 0);
static_assert(offsetof(ADConverterRecord, voltage) == 2);
static_assert(offsetof(ADConverterRecord, middleDetector) == 4);
static_assert(offsetof(ADConverterRecord, frankingDetector) == 6);
static_assert(offsetof(ADConverterRecord, ejectDetector) == 8);
static_assert(offsetof(ADConverterRecord, doubleFeedSensor) == 10);
static_assert(offsetof(ADConverterRecord, slack) == 14);
inline constexpr std::size_t kADConverterStored = 14;

}  // namespace qx
