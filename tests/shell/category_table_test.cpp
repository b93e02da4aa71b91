#include "utility/shell/category_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace qx {
namespace {

std::vector<std::string> ChildTexts(int parent, bool normalOnly) {
  std::vector<std::string> texts;
  for (const Category& category : kCategories) {
    if (category.parent == parent && (!normalOnly || category.normal)) texts.push_back(category.text);
  }
  return texts;
}

int IndexOf(const std::string& path) {
  for (int i = 0; i < kCategoryCount; ++i) {
    if (CategoryPath(i) == path) return i;
  }
  return -1;
}

TEST(CategoryTable, NormalModeShowsDeviceAloneAndSystemWithThreeChildren) {
  EXPECT_EQ(ChildTexts(kRootParent, true), (std::vector<std::string>{"Device", "System"}));
  int device = IndexOf("Device");
  int system = IndexOf("System");
  ASSERT_GE(device, 0);
  ASSERT_GE(system, 0);
  EXPECT_TRUE(ChildTexts(device, true).empty());
  EXPECT_EQ(ChildTexts(system, true),
            (std::vector<std::string>{"QX-R7000 Driver", ".NET Framework", "USB Driver Stack Version"}));
  // Inserting a Normal item under a skipped parent would fail.
  for (const Category& category : kCategories) {
    if (category.normal && category.parent != kRootParent) {
      EXPECT_TRUE(kCategories[category.parent].normal) << category.text;
    }
  }
}

TEST(CategoryTable, FullTreeHasTwoRootsAndTwoGroupsUnderSystem) {
  EXPECT_EQ(ChildTexts(kRootParent, false), (std::vector<std::string>{"Device", "System"}));
  EXPECT_EQ(ChildTexts(IndexOf("Device"), false).size(), 9u);
  EXPECT_EQ(ChildTexts(IndexOf("Device/Calibration Value(Face)"), false),
            (std::vector<std::string>{"Brightness Reference", "Darkness Reference"}));
  EXPECT_EQ(ChildTexts(IndexOf("System"), false).size(), 5u);

  std::vector<std::string> groups;
  for (int i = 0; i < kCategoryCount; ++i) {
    if (kCategories[i].node == NodeClass::kNone) groups.push_back(CategoryPath(i));
  }
  EXPECT_EQ(groups, (std::vector<std::string>{"System/USB Standard Request", "System/USB Vendor Request"}));
  EXPECT_EQ(ChildTexts(IndexOf("System/USB Standard Request"), false).size(), 10u);
  EXPECT_EQ(ChildTexts(IndexOf("System/USB Vendor Request"), false).size(), 7u);

  std::set<NodeClass> nodes;
  for (const Category& category : kCategories) nodes.insert(category.node);
  EXPECT_EQ(nodes.size(), static_cast<std::size_t>(kNodeClassCount) + 1);  // the 35 and kNone
}

TEST(CategoryTable, PathsNameEveryCategoryUniquely) {
  EXPECT_EQ(CategoryPath(FindCategory(NodeClass::kFaceCalibrationBrightness)),
            "Device/Calibration Value(Face)/Brightness Reference");
  EXPECT_EQ(CategoryPath(FindCategory(NodeClass::kBackCalibrationDarkness)),
            "Device/Calibration Value(Back)/Darkness Reference");
  EXPECT_EQ(CategoryPath(FindCategory(NodeClass::kXBStatus)), "System/USB Vendor Request/XB Status");
  EXPECT_EQ(CategoryPath(FindCategory(NodeClass::kDevice)), "Device");

  std::set<std::string> paths;
  for (int i = 0; i < kCategoryCount; ++i) paths.insert(CategoryPath(i));
  EXPECT_EQ(paths.size(), static_cast<std::size_t>(kCategoryCount));
  EXPECT_EQ(CategoryPath(-1), "");
  EXPECT_EQ(CategoryPath(kCategoryCount), "");
  EXPECT_EQ(FindCategory(NodeClass::kNone), -1);
}

TEST(CategoryTable, ImageIndexesSeparateTheDeviceTreeRootsFromTheFileTree) {
  int device = IndexOf("Device");
  int system = IndexOf("System");
  int group = IndexOf("System/USB Standard Request");
  int leaf = IndexOf("Device/Sensor Status");
  EXPECT_EQ(CategoryImageIndex(device, TreeKind::kDevice), 0);
  EXPECT_EQ(CategoryImageIndex(system, TreeKind::kDevice), 1);
  EXPECT_EQ(CategoryImageIndex(device, TreeKind::kFile), 2);
  EXPECT_EQ(CategoryImageIndex(system, TreeKind::kFile), 2);
  for (TreeKind tree : {TreeKind::kDevice, TreeKind::kFile}) {
    EXPECT_EQ(CategoryImageIndex(group, tree), 3);
    EXPECT_EQ(CategoryImageIndex(leaf, tree), 3);
  }
  EXPECT_EQ(CategoryImageIndex(kCategoryCount, TreeKind::kDevice), -1);
}

}  // namespace
}  // namespace qx
