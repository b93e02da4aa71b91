#pragma once

#include <cstddef>
#include <cstdint>

#include "utility/nodes/row.h"

namespace qx {

// An information node: one fixed-size record, how to fill it (from the scanner, its driver or the
// PC) and how to show it as rows. The operations keep their slot order.
class CTreeNode {
 public:
  // `port` points at the device connection's port index; every scanner request of the node goes
  // to the port it names. PC-side nodes ignore it.
  explicit CTreeNode(const int* port) : port_(port) {}
  virtual ~CTreeNode() = default;
  CTreeNode(const CTreeNode&) = delete;
  CTreeNode& operator=(const CTreeNode&) = delete;

  // Puts the record into its unread state.
  virtual void Reset() = 0;
  // Rows of the normal view; the default is an empty list.
  virtual RowList GetRows() { return {}; }
  // Normal-mode read: 1 success, 0 failure; the default does nothing and succeeds.
  virtual int Read() { return 1; }
  virtual RowList GetExtendedRows() = 0;
  // Extended-mode read (Batch and Extended): 1 success, 0 failure.
  virtual int ReadExtended() = 0;
  // The record's first byte; its leading StoredSize() bytes go into the setting record.
  virtual std::uint8_t* GetRecord() = 0;
  virtual std::size_t RecordSize() const = 0;
  virtual std::size_t StoredSize() const = 0;

 protected:
  int PortIndex() const { return *port_; }
  const int* PortPointer() const { return port_; }

 private:
  const int* port_;
};

// A node whose record is the packed layout `Record`, of which the first `kStored` bytes are kept
// in the setting record.
template <class Record, std::size_t kStored = sizeof(Record)>
class CRecordNode : public CTreeNode {
  static_assert(kStored <= sizeof(Record));

 public:
  using CTreeNode::CTreeNode;

  std::uint8_t* GetRecord() override { return reinterpret_cast<std::uint8_t*>(&record_); }
  std::size_t RecordSize() const override { return sizeof(Record); }
  std::size_t StoredSize() const override { return kStored; }

  const Record& record() const { return record_; }

 protected:
  Record record_{};
};

}  // namespace qx
