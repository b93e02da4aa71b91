#include "utility/shell/category_table.h"

namespace qx {

namespace {

bool IsCategoryIndex(int index) { return index >= 0 && index < kCategoryCount; }

}  // namespace

int CategoryImageIndex(int index, TreeKind tree) {
  if (!IsCategoryIndex(index)) return -1;
  if (kCategories[index].parent != kRootParent) return kImageItem;
  if (tree == TreeKind::kFile) return kImageFileTreeRoot;
  return kCategories[index].node == NodeClass::kDevice ? kImageDeviceTreeDevice : kImageDeviceTreeSystem;
}

int FindCategory(NodeClass node) {
  if (node == NodeClass::kNone) return -1;
  for (int i = 0; i < kCategoryCount; ++i) {
    if (kCategories[i].node == node) return i;
  }
  return -1;
}

std::string CategoryPath(int index) {
  if (!IsCategoryIndex(index)) return {};
  std::string path = kCategories[index].text;
  // Parents always come earlier in the table, so the walk ends at a root.
  for (int parent = kCategories[index].parent; parent != kRootParent; parent = kCategories[parent].parent) {
    path = std::string(kCategories[parent].text) + "/" + path;
  }
  return path;
}

}  // namespace qx
