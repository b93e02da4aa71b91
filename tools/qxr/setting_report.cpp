#include "tools/qxr/setting_report.h"

#include "utility/shell/category_table.h"

namespace qx {

std::string SettingReport(const FileTree& tree) {
  std::string report;
  for (int i = 0; i < kCategoryCount; ++i) {
    report += "== " + CategoryPath(i) + " ==\n";
    CTreeNode* node = tree.Node(kCategories[i].node);
    if (node == nullptr) continue;
    for (const Row& row : node->GetExtendedRows()) {
      report += row.item;
      report += '\t';
      report += row.value.empty() ? std::string("none") : row.value;
      report += '\n';
    }
  }
  return report;
}

}  // namespace qx
