#pragma once

#include <string>
#include <vector>

namespace qx {

// One line of the Item/Value list. An empty Value is shown as "none"; a row with both texts empty
// is a separator.
struct Row {
  std::string item;
  std::string value;
};

using RowList = std::vector<Row>;

}  // namespace qx
