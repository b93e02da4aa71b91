#include "utility/shell/setting_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "utility/shell/category_table.h"

namespace qx {
namespace {

TEST(SettingRecordLayout, EveryNodeClassHasExactlyOneSlotAndOneCategory) {
  std::set<NodeClass> slotted;
  for (const SettingSlot& slot : kSettingSlots) slotted.insert(slot.node);
  EXPECT_EQ(slotted.size(), static_cast<std::size_t>(kNodeClassCount));
  EXPECT_EQ(slotted.count(NodeClass::kNone), 0u);
  for (int i = 0; i < kNodeClassCount; ++i) {
    NodeClass node = static_cast<NodeClass>(i);
    EXPECT_NE(FindSettingSlot(node), nullptr) << i;
    EXPECT_GE(FindCategory(node), 0) << i;
  }
  EXPECT_EQ(FindSettingSlot(NodeClass::kNone), nullptr);
  EXPECT_EQ(FindSettingSlot(static_cast<NodeClass>(kNodeClassCount)), nullptr);
}

TEST(SettingRecordLayout, SlotCopiesStayInsideTheirSlot) {
  SettingRecord record;
  std::memset(record.bytes, 0xAA, sizeof record.bytes);
  std::vector<std::uint8_t> large(300, 0x11);
  EXPECT_EQ(StoreSlot(record, NodeClass::kDevice, large.data(), large.size()), 189u);
  EXPECT_EQ(record.bytes[188], 0x11);
  EXPECT_EQ(record.bytes[189], 0xAA);  // first byte of "System"

  // A shorter source leaves the rest of its slot zero, not stale.
  std::vector<std::uint8_t> small(5, 0x22);
  EXPECT_EQ(StoreSlot(record, NodeClass::kDevice, small.data(), small.size()), 5u);
  EXPECT_EQ(record.bytes[4], 0x22);
  EXPECT_EQ(record.bytes[5], 0x00);
  EXPECT_EQ(record.bytes[188], 0x00);
  EXPECT_EQ(record.bytes[189], 0xAA);

  // "Sensor Status" keeps 11 bytes in the file although its record is 200 bytes long.
  std::uint8_t sensor[200];
  std::memset(sensor, 0x33, sizeof sensor);
  EXPECT_EQ(LoadSlot(record, NodeClass::kSensorStatus, sensor, sizeof sensor), 11u);
  EXPECT_EQ(sensor[10], 0xAA);
  EXPECT_EQ(sensor[11], 0x33);

  std::uint8_t tiny[3];
  EXPECT_EQ(LoadSlot(record, NodeClass::kXBStatus, tiny, sizeof tiny), 3u);
  EXPECT_EQ(StoreSlot(record, NodeClass::kNone, large.data(), large.size()), 0u);
}

}  // namespace
}  // namespace qx
