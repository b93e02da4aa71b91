#pragma once

#include <string>
#include <vector>

#include "tools/qxr/opened_file.h"

namespace qx::qxr {

struct RowChange {
  std::string item;
  std::string a, b;
  std::string delta;  // counters: the difference of each number, e.g. "+189/+189"; else empty
};

// A calibration reference table in brief: how many of its values changed and the largest change.
struct TableChange {
  int changed = 0;
  int largest = 0;  // signed, B minus A, among values read in both files
  int pixel = 0;    // 1-based index of the largest change; 0 when no value read in both changed
  int a = 0, b = 0;
};

struct CategoryDiff {
  int index = 0;
  RowList onlyA, onlyB;  // rows of one file only (rows are matched by item and occurrence)
  std::vector<RowChange> changed;
  bool table = false;  // a reference table: `tableChange` instead of rows
  TableChange tableChange;
  bool history = false;           // the error history: `newEntries` instead of rows
  RowList newEntries;             // entries of B not in A, newest first
  bool historyCleared = false;    // B holds fewer of A's entries than it has room for
};

// The categories in which B differs from A, in tree order.
std::vector<CategoryDiff> DiffFiles(const OpenedFile& a, const OpenedFile& b);

// The differences as text, one "== PATH ==" line per category, then lines starting "-" (A only),
// "+" (B only) and "~" (changed), item and value separated by a TAB.
std::string DiffText(const OpenedFile& a, const OpenedFile& b, const std::vector<CategoryDiff>& diffs);

// The same as JSON (layout in the README).
std::string DiffJson(const OpenedFile& a, const OpenedFile& b, const std::vector<CategoryDiff>& diffs);

}  // namespace qx::qxr
