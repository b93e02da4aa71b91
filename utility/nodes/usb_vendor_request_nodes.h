#pragma once

#include "utility/nodes/tree_node.h"
#include "utility/nodes/usb_vendor_records.h"

// The seven nodes under "USB Vendor Request": settings and state that the QXUSB driver and the
// scanner's interface board report through the driver's own I/O controls. Extended tree only.
// A record holding its unread marker keeps its labels with empty values.
namespace qx {

class CPowerSaveNode : public CRecordNode<PowerSaveRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CQXUSBNode : public CRecordNode<QxusbVersionRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CXBConfigurationDescriptorNode : public CRecordNode<XbConfigurationRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CXBStringDescriptorNode : public CRecordNode<XbStringRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CPipeTimeOutNode : public CRecordNode<PipeTimeOutRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CTimeOutModeNode : public CRecordNode<TimeOutModeRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CXBStatusNode : public CRecordNode<XbStatusRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

}  // namespace qx
