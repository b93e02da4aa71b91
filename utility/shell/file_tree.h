#pragma once

#include <array>
#include <memory>

#include "utility/nodes/tree_node.h"
#include "utility/shell/node_class.h"
#include "utility/shell/setting_record.h"

namespace qx {

// The 35 nodes of an opened setting file, every one filled from its slot; they send nothing.
class FileTree {
 public:
  // Creates a node of every class and fills its record from the setting record. "Sensor Status"
  // and "Maintenance Counter" also get the stored "Device" record as their device copy.
  void Load(const SettingRecord& record);
  // The node of a class, or null before Load and for kNone.
  CTreeNode* Node(NodeClass node) const;

 private:
  std::array<std::unique_ptr<CTreeNode>, kNodeClassCount> nodes_;
};

}  // namespace qx
