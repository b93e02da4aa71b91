#pragma once

#include "utility/nodes/nv_counter_threshold_records.h"
#include "utility/nodes/tree_node.h"

// What the scanner keeps in its NV memory besides calibration: the nine NV text slots ("NORVA
// NV"), the maintenance counters and the sensor threshold values.
namespace qx {

class CNORVANVNode : public CRecordNode<NvRecord> {
 public:
  using CRecordNode::CRecordNode;

  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CMaintenanceCounterNode
    : public CRecordNode<MaintenanceCounterRecord, kMaintenanceCounterStored> {
 public:
  // Until its first fill the device copy is an unread device record, so every row is shown.
  explicit CMaintenanceCounterNode(const int* port);

  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CThresholdValueNode : public CRecordNode<ThresholdRecord> {
 public:
  using CRecordNode::CRecordNode;

  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

}  // namespace qx
