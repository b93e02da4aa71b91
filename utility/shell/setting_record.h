#pragma once

#include <cstddef>
#include <cstdint>

#include "utility/shell/node_class.h"

namespace qx {

// The body of a setting file: the stored bytes of the 35 node records, back to back, no padding.
inline constexpr std::size_t kSettingRecordSize = 20621;

struct SettingRecord {
  std::uint8_t bytes[kSettingRecordSize];
};
static_assert(sizeof(SettingRecord) == kSettingRecordSize);

// The 12 bytes in front of the record: "QXR", the utility's version as four bytes (string 19 of
// the string table read as four dot-separated decimal numbers, low 8 bits of each), the file's
// total length as an unsigned 32-bit little-endian number, then one zero byte.
inline constexpr std::size_t kSettingFileHeaderSize = 12;
inline constexpr std::size_t kSettingFileSize = kSettingFileHeaderSize + kSettingRecordSize;
static_assert(kSettingFileSize == 20633);
inline constexpr char kSettingFileMagic[3] = {'Q', 'X', 'R'};
inline constexpr int kVersionStringId = 19;

struct SettingFileHeader {
  char magic[3];
  std::uint8_t version[4];
  std::uint8_t length[4];
  std::uint8_t zero;
};
static_assert(sizeof(SettingFileHeader) == kSettingFileHeaderSize);
static_assert(offsetof(SettingFileHeader, magic) == 0);
static_assert(offsetof(SettingFileHeader, version) == 3);
static_assert(offsetof(SettingFileHeader, length) == 7);
static_assert(offsetof(SettingFileHeader, zero) == 11);

// Where one node's record lives inside the setting record.
struct SettingSlot {
  std::size_t offset;
  std::size_t size;
  NodeClass node;
};

// In record order, which is not the tree's order. "Sensor Status" and "Maintenance Counter" keep
// only their own bytes here; their copy of the "Device" record is rebuilt from slot 0 on loading.
inline constexpr SettingSlot kSettingSlots[kNodeClassCount] = {
    {0, 189, NodeClass::kDevice},
    {189, 408, NodeClass::kSystem},
    {597, 9605, NodeClass::kAPIDriver},
    {10202, 11, NodeClass::kSensorStatus},
    {10213, 1024, NodeClass::kDotNetFramework},
    {11237, 14, NodeClass::kADConverter},
    {11251, 729, NodeClass::kNORVANV},
    {11980, 110, NodeClass::kMaintenanceCounter},
    {12090, 28, NodeClass::kThresholdValue},
    {12118, 832, NodeClass::kUSBDriverStack},
    {12950, 16, NodeClass::kFaceCalibrationValue},
    {12966, 1632, NodeClass::kFaceCalibrationBrightness},
    {14598, 1632, NodeClass::kFaceCalibrationDarkness},
    {16230, 16, NodeClass::kBackCalibrationValue},
    {16246, 1632, NodeClass::kBackCalibrationBrightness},
    {17878, 1632, NodeClass::kBackCalibrationDarkness},
    {19510, 8, NodeClass::kOtherCalibrationValue},
    {19518, 160, NodeClass::kErrorHistory},
    {19678, 18, NodeClass::kDeviceDescriptor},
    {19696, 9, NodeClass::kConfigurationDescriptor},
    {19705, 9, NodeClass::kInterfaceDescriptor},
    {19714, 28, NodeClass::kEndPointDescriptor},
    {19742, 512, NodeClass::kStringDescriptor},
    {20254, 9, NodeClass::kDeviceQualifierDescriptor},
    {20263, 9, NodeClass::kOtherSpeedConfigurationDescriptor},
    {20272, 9, NodeClass::kOtherSpeedInterfaceDescriptor},
    {20281, 28, NodeClass::kOtherSpeedEndPointDescriptor},
    {20309, 2, NodeClass::kDeviceStatus},
    {20311, 8, NodeClass::kPowerSave},
    {20319, 4, NodeClass::kQXUSB},
    {20323, 2, NodeClass::kXBConfigurationDescriptor},
    {20325, 256, NodeClass::kXBStringDescriptor},
    {20581, 32, NodeClass::kPipeTimeOut},
    {20613, 4, NodeClass::kTimeOutMode},
    {20617, 4, NodeClass::kXBStatus},
};

constexpr bool SettingSlotsAreContiguous() {
  std::size_t next = 0;
  for (const SettingSlot& slot : kSettingSlots) {
    if (slot.offset != next || slot.size == 0) return false;
    next += slot.size;
  }
  return next == kSettingRecordSize;
}
static_assert(SettingSlotsAreContiguous(), "the slots must tile the setting record exactly");

// The leading "Device" bytes that "Sensor Status" and "Maintenance Counter" carry behind their own.
inline constexpr std::size_t kDeviceRecordCopySize = 189;
static_assert(kSettingSlots[0].node == NodeClass::kDevice && kSettingSlots[0].size == kDeviceRecordCopySize);

// The slot of a node class, or null for kNone and values outside the enumeration.
const SettingSlot* FindSettingSlot(NodeClass node);

// Copies a node's record into its slot, at most the slot's size; a shorter record leaves the rest
// of the slot zero. Returns the bytes copied (0 for a class without a slot).
std::size_t StoreSlot(SettingRecord& record, NodeClass node, const std::uint8_t* source, std::size_t size);

// Copies a slot into a node's record, at most `size` bytes. Returns the bytes copied.
std::size_t LoadSlot(const SettingRecord& record, NodeClass node, std::uint8_t* destination, std::size_t size);

}  // namespace qx
