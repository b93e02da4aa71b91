#pragma once

#include <string>
#include <utility>
#include <vector>

#include "utility/nodes/row.h"

namespace qx::testing {

// Rows as (Item, Value) pairs, so that a mismatch prints both lists in full.
using RowPairs = std::vector<std::pair<std::string, std::string>>;

inline RowPairs Pairs(const RowList& rows) {
  RowPairs pairs;
  for (const Row& row : rows) pairs.emplace_back(row.item, row.value);
  return pairs;
}

inline std::vector<std::string> Items(const RowList& rows) {
  std::vector<std::string> items;
  for (const Row& row : rows) items.push_back(row.item);
  return items;
}

inline bool AllValuesEmpty(const RowList& rows) {
  for (const Row& row : rows) {
    if (!row.value.empty()) return false;
  }
  return true;
}

}  // namespace qx::testing
