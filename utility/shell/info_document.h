#pragma once

#include <array>
#include <memory>

#include "utility/nodes/row.h"
#include "utility/nodes/tree_node.h"
#include "utility/shell/category_table.h"
#include "utility/shell/device_connection.h"
#include "utility/shell/file_tree.h"
#include "utility/shell/node_class.h"
#include "utility/shell/run_mode.h"
#include "utility/shell/setting_record.h"
#include "utility/shell/tree_sink.h"

namespace qx {

// The information of one window (or one batch run): the nodes of the device tree, read by the
// gathers through the device connection, and the nodes of an opened setting file. Gathers run on
// one thread at a time; nothing here is locked.
class InfoDocument {
 public:
  // Starts the device connection; `sink` receives the tree items (null: none, as in batch mode).
  explicit InfoDocument(TreeSink* sink);
  ~InfoDocument();
  InfoDocument(const InfoDocument&) = delete;
  InfoDocument& operator=(const InfoDocument&) = delete;

  // Creates the device-tree nodes the run mode shows and inserts their items in table order.
  void BuildDeviceTree(RunMode mode);
  // Replaces the file tree with one built from the setting record.
  void BuildFileTree(const SettingRecord& record);

  // The gathers: a result code (1 success).
  int NormalGather();
  int ExtendedGather();
  // The gather the run mode uses.
  int Gather(RunMode mode);

  // The stored bytes of every device-tree node at their places; needs all 35 nodes.
  const SettingRecord& BuildSettingRecord();

  // The rows a node shows in the run mode; none for a group (null node).
  static RowList RowsOf(CTreeNode* node, RunMode mode);

  CTreeNode* DeviceNode(NodeClass node) const;
  const FileTree& Files() const { return fileTree_; }
  DeviceConnection& Connection() { return connection_; }

 private:
  CTreeNode& Node(NodeClass node) const;
  void InsertTree(TreeKind kind, RunMode mode, TreeSink::Item* roots);
  // Reads the nodes in order with ReadExtended; false at the first that fails.
  bool ReadInOrder(std::initializer_list<NodeClass> nodes);

  TreeSink* sink_;
  DeviceConnection connection_;
  std::array<std::unique_ptr<CTreeNode>, kNodeClassCount> deviceNodes_;
  FileTree fileTree_;
  SettingRecord settingRecord_;
  TreeSink::Item fileRoots_[2] = {nullptr, nullptr};
  bool fileTreePresent_ = false;
};

}  // namespace qx
