#include "utility/shell/file_tree.h"

#include <cstring>

#include "utility/shell/node_factory.h"

namespace qx {

void FileTree::Load(const SettingRecord& record) {
  for (int i = 0; i < kNodeClassCount; ++i) {
    NodeClass node = static_cast<NodeClass>(i);
    std::unique_ptr<CTreeNode> fresh = CreateNode(node, nullptr);
    // Bytes the file does not keep hold their unread markers.
    fresh->Reset();
    LoadSlot(record, node, fresh->GetRecord(), fresh->StoredSize());
    if (node == NodeClass::kSensorStatus || node == NodeClass::kMaintenanceCounter) {
      // The device copy sits right behind the node's own stored bytes.
      std::size_t room = fresh->RecordSize() - fresh->StoredSize();
      std::size_t copy = room < kDeviceRecordCopySize ? room : kDeviceRecordCopySize;
      std::memcpy(fresh->GetRecord() + fresh->StoredSize(), record.bytes, copy);
    }
    nodes_[static_cast<std::size_t>(i)] = std::move(fresh);
  }
}

CTreeNode* FileTree::Node(NodeClass node) const {
  int i = static_cast<int>(node);
  if (i < 0 || i >= kNodeClassCount) return nullptr;
  return nodes_[static_cast<std::size_t>(i)].get();
}

}  // namespace qx
