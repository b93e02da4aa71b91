#pragma once

#include "utility/nodes/tree_node.h"
#include "utility/nodes/usb_descriptor_records.h"

// The ten nodes under "USB Standard Request": what the scanner answers to the standard USB
// requests, asked of the QXUSB driver with one I/O-control query each and kept as raw bytes.
// Extended tree only: the normal view shows no rows and never reads them. A record whose tested
// bytes are all zero is unread and keeps its labels with empty values.
namespace qx {

class CDeviceDescriptorNode : public CRecordNode<DeviceDescriptorRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CConfigurationDescriptorNode : public CRecordNode<ConfigurationDescriptorRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CInterfaceDescriptorNode : public CRecordNode<InterfaceDescriptorRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CEndPointDescriptorNode : public CRecordNode<EndpointDescriptorRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CStringDescriptorNode : public CRecordNode<StringDescriptorRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CDeviceQualifierDescriptorNode : public CRecordNode<DeviceQualifierRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class COtherSpeedConfigurationDescriptorNode : public CRecordNode<ConfigurationDescriptorRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class COtherSpeedInterfaceDescriptorNode : public CRecordNode<InterfaceDescriptorRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class COtherSpeedEndPointDescriptorNode : public CRecordNode<EndpointDescriptorRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

class CDeviceStatusNode : public CRecordNode<DeviceStatusRecord> {
 public:
  using CRecordNode::CRecordNode;
  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

}  // namespace qx
