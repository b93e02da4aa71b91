#pragma once

#include <cstddef>
#include <cstdint>

// The byte commands the device, sensor, AD converter, NV, counter, threshold and error history
// nodes send, exactly as the scanner expects them. The variable last bytes are filled in by the
// node that sends the command.
namespace qx::command {

inline constexpr std::uint8_t kFS = 0x1C;
inline constexpr std::uint8_t kGS = 0x1D;

// Identity texts and flags, each answered by a block '_' (the scanner type by a block '=').
inline constexpr std::uint8_t kFirmwareVersion[] = {kGS, 'I', 0x41};
inline constexpr std::uint8_t kCompanyName[] = {kGS, 'I', 0x42};
inline constexpr std::uint8_t kDeviceName[] = {kGS, 'I', 0x43};
inline constexpr std::uint8_t kSerialNumber[] = {kGS, 'I', 0x44};
inline constexpr std::uint8_t kDeviceOptions[] = {kGS, 'I', 'p'};
inline constexpr std::uint8_t kScannerType[] = {kGS, 'I', '!'};

// Four automatic status bytes.
inline constexpr std::uint8_t kAutomaticStatus[] = {kGS, 'a', 0x26};

// Maintenance commands, each answered by a block '1'.
inline constexpr std::uint8_t kOriginalVersion[] = {kFS, '|', 0x7F, 'o', 0x15, 0xEA, 0x8A, 0x01, 0x00, 0x0E};
inline constexpr std::uint8_t kBootMode[] = {kFS, '|', 0x7F, 'o', 0x15, 0xEA, 0x8A, 0x01, 0x00, 0x1E};
inline constexpr std::uint8_t kCalibrationFlag[] = {kFS, '|', 0x7F, 'o', 'f', 0x99, '3', 0x00, 0x00};

// One sensor voltage; the last byte selects the sensor.
inline constexpr std::size_t kSensorVoltageSize = 10;
inline constexpr std::uint8_t kSensorVoltage[kSensorVoltageSize] = {kFS, '|', 0x7F, 'o', 0x0A, 0xF5, 0x05, 0x01, 0x00, 0x00};

// One position sensor; the last byte selects it (0 hopper, 1 stamp, 2 separation plate).
inline constexpr std::size_t kPositionSensorSize = 11;
inline constexpr std::uint8_t kPositionSensor[kPositionSensorSize] = {kFS, '|', 0x7F, 'o', 'h', 0x97, '4', 0x02, 0x00, 0x02, 0x00};

// One threshold value k: the last two bytes are k and 255 - k.
inline constexpr std::size_t kThresholdSize = 11;
inline constexpr std::uint8_t kThreshold[kThresholdSize] = {kFS, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 0x00, 0x00};

// One maintenance counter n (byte 4), answered by a block '_'.
inline constexpr std::size_t kCounterSize = 6;
inline constexpr std::uint8_t kCounter[kCounterSize] = {kGS, 'g', '2', 0x00, 0x00, 0x00};

// One NV text slot d = '1'..'9' (last byte), answered by a block "7p".
inline constexpr std::size_t kNvSlotSize = 10;
inline constexpr std::uint8_t kNvSlot[kNvSlotSize] = {kGS, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '#', 0x00};

// The error history, answered by blocks "7pA" ... "7p@".
inline constexpr std::uint8_t kErrorHistory[] = {kGS, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '!', 'E'};

}  // namespace qx::command
