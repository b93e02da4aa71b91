#pragma once

#include "utility/nodes/device_records.h"
#include "utility/nodes/tree_node.h"

// The scanner itself: identity and options ("Device"), paper sensor states ("Sensor Status") and
// raw sensor voltages ("AD Converter").
namespace qx {

// Puts a device record into its unread state: texts zero, one-byte fields 0xFF.
void ResetDeviceRecord(DeviceRecord* record);

class CDeviceNode : public CRecordNode<DeviceRecord> {
 public:
  using CRecordNode::CRecordNode;

  void Reset() override;
  RowList GetRows() override;
  // Identity texts, speed, remote wake-up, franker, scanner type, waterfall mode and pockets;
  // the first request that fails ends it with 0.
  int Read() override;
  RowList GetExtendedRows() override;
  // Read (its result ignored), then original version, boot mode and calibration flag.
  int ReadExtended() override;
};

class CSensorStatusNode : public CRecordNode<SensorStatusRecord, kSensorStatusStored> {
 public:
  // Until its first fill the device copy is an unread device record, so every row is shown.
  explicit CSensorStatusNode(const int* port);

  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CADConverterNode : public CRecordNode<ADConverterRecord, kADConverterStored> {
 public:
  using CRecordNode::CRecordNode;

  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

}  // namespace qx
