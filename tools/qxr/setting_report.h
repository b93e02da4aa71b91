#pragma once

#include <string>

#include "utility/shell/file_tree.h"

namespace qx {

// The file tree as the Extended list shows it, in tree order, as text other programs can read:
// for each of the 37 categories a line "== PATH ==" (the item texts from the root joined by "/"),
// then one line per row: the Item, a TAB, the Value, an empty Value written "none".
std::string SettingReport(const FileTree& tree);

}  // namespace qx
