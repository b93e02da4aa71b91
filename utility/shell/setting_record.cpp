#include "utility/shell/setting_record.h"

#include <cstring>

namespace qx {

const SettingSlot* FindSettingSlot(NodeClass node) {
  for (const SettingSlot& slot : kSettingSlots) {
    if (slot.node == node) return &slot;
  }
  return nullptr;
}

std::size_t StoreSlot(SettingRecord& record, NodeClass node, const std::uint8_t* source, std::size_t size) {
  const SettingSlot* slot = FindSettingSlot(node);
  if (slot == nullptr || source == nullptr) return 0;
  std::size_t n = size < slot->size ? size : slot->size;
  std::memcpy(record.bytes + slot->offset, source, n);
  std::memset(record.bytes + slot->offset + n, 0, slot->size - n);
  return n;
}

std::size_t LoadSlot(const SettingRecord& record, NodeClass node, std::uint8_t* destination, std::size_t size) {
  const SettingSlot* slot = FindSettingSlot(node);
  if (slot == nullptr || destination == nullptr) return 0;
  std::size_t n = size < slot->size ? size : slot->size;
  std::memcpy(destination, record.bytes + slot->offset, n);
  return n;
}

}  // namespace qx
