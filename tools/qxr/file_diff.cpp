#include "tools/qxr/file_diff.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <utility>

#include "tools/qxr/json_report.h"
#include "tools/qxr/text_escape.h"
#include "utility/nodes/calibration_records.h"
#include "utility/nodes/error_history_record.h"
#include "utility/nodes/value_format.h"
#include "utility/shell/category_table.h"

namespace qx::qxr {

namespace {

using nlohmann::ordered_json;
using RowKey = std::pair<std::string, int>;  // item and its occurrence among rows of that item

constexpr std::uint16_t kUnreadValue = 0xFFFF;

bool IsReferenceTable(NodeClass node) {
  return node == NodeClass::kFaceCalibrationBrightness || node == NodeClass::kFaceCalibrationDarkness ||
         node == NodeClass::kBackCalibrationBrightness || node == NodeClass::kBackCalibrationDarkness;
}

std::vector<std::pair<RowKey, std::string>> Keyed(const RowList& rows) {
  std::map<std::string, int> seen;
  std::vector<std::pair<RowKey, std::string>> keyed;
  for (const Row& row : rows) keyed.push_back({{row.item, seen[row.item]++}, row.value});
  return keyed;
}

// A decimal counter text, or false.
bool CounterNumber(const std::string& text, long long* value) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *value = std::atoll(text.c_str());
  return true;
}

// "48211/6520" against "48400/6709": "+189/+189"; a part that is no number on either side is "?".
std::string CounterDelta(const std::string& a, const std::string& b) {
  std::size_t sa = a.find('/'), sb = b.find('/');
  if (sa == std::string::npos || sb == std::string::npos) return {};
  const std::string parts[2][2] = {{a.substr(0, sa), b.substr(0, sb)}, {a.substr(sa + 1), b.substr(sb + 1)}};
  std::string delta;
  bool any = false;
  for (int i = 0; i < 2; ++i) {
    long long x = 0, y = 0;
    if (i == 1) delta += "/";
    if (CounterNumber(parts[i][0], &x) && CounterNumber(parts[i][1], &y)) {
      delta += FormatValue("%+lld", y - x);
      any = true;
    } else {
      delta += "?";
    }
  }
  return any ? delta : std::string();
}

void DiffRows(const RowList& rowsA, const RowList& rowsB, bool counters, CategoryDiff* diff) {
  auto a = Keyed(rowsA);
  auto b = Keyed(rowsB);
  std::map<RowKey, std::string> inB(b.begin(), b.end());
  std::map<RowKey, std::string> inA(a.begin(), a.end());
  for (const auto& [key, value] : a) {
    auto it = inB.find(key);
    if (it == inB.end()) {
      diff->onlyA.push_back({key.first, value});
    } else if (it->second != value) {
      diff->changed.push_back({key.first, value, it->second, counters ? CounterDelta(value, it->second) : ""});
    }
  }
  for (const auto& [key, value] : b) {
    if (inA.find(key) == inA.end()) diff->onlyB.push_back({key.first, value});
  }
}

ReferenceTableRecord Table(const OpenedFile& file, NodeClass node) {
  ReferenceTableRecord table;
  std::memset(&table, 0xFF, sizeof table);
  LoadSlot(file.record, node, reinterpret_cast<std::uint8_t*>(&table), sizeof table);
  return table;
}

void DiffTable(const OpenedFile& a, const OpenedFile& b, NodeClass node, CategoryDiff* diff) {
  const ReferenceTableRecord ta = Table(a, node), tb = Table(b, node);
  diff->table = true;
  TableChange& change = diff->tableChange;
  for (std::size_t i = 0; i < kReferenceValues; ++i) {
    const int va = ta.value[i], vb = tb.value[i];
    if (va == vb) continue;
    ++change.changed;
    if (va == kUnreadValue || vb == kUnreadValue) continue;
    if (std::abs(vb - va) > std::abs(change.largest)) {
      change.largest = vb - va;
      change.pixel = static_cast<int>(i + 1);
      change.a = va;
      change.b = vb;
    }
  }
}

// Entries are rows "last", "2", ...; B's first k entries are new when A's follow them in B.
void DiffHistory(const RowList& a, const RowList& b, CategoryDiff* diff) {
  diff->history = true;
  const std::size_t na = a.size(), nb = b.size();
  std::size_t k = 0;
  for (; k < nb; ++k) {
    bool fits = true;
    for (std::size_t i = 0; i < na && k + i < nb; ++i) {
      if (a[i].value != b[k + i].value) {
        fits = false;
        break;
      }
    }
    if (fits) break;
  }
  for (std::size_t i = 0; i < k; ++i) diff->newEntries.push_back(b[i]);
  const std::size_t kept = nb - k;
  const std::size_t room = kHistoryEntries > k ? kHistoryEntries - k : 0;
  diff->historyCleared = kept < (na < room ? na : room);
}

bool Differs(const CategoryDiff& d) {
  if (d.table) return d.tableChange.changed > 0;
  if (d.history) return !d.newEntries.empty() || d.historyCleared;
  return !d.onlyA.empty() || !d.onlyB.empty() || !d.changed.empty();
}

std::string TableText(const TableChange& t) {
  std::string text = FormatValue("%d of %d values changed", t.changed, static_cast<int>(kReferenceValues));
  if (t.pixel > 0) {
    text += FormatValue(", largest change %+d at %03d (%02XH -> %02XH)", t.largest, t.pixel, t.a, t.b);
  }
  return text;
}

ordered_json RowsJson(const RowList& rows) {
  ordered_json list = ordered_json::array();
  for (const Row& row : rows) list.push_back({{"item", Latin1ToUtf8(row.item)}, {"value", Latin1ToUtf8(row.value)}});
  return list;
}

}  // namespace

std::vector<CategoryDiff> DiffFiles(const OpenedFile& a, const OpenedFile& b) {
  std::vector<CategoryDiff> diffs;
  for (int i = 0; i < kCategoryCount; ++i) {
    const NodeClass node = kCategories[i].node;
    if (node == NodeClass::kNone) continue;
    CategoryDiff diff;
    diff.index = i;
    if (IsReferenceTable(node)) {
      DiffTable(a, b, node, &diff);
    } else if (node == NodeClass::kErrorHistory) {
      DiffHistory(ShownRows(a.tree, i), ShownRows(b.tree, i), &diff);
    } else {
      DiffRows(ShownRows(a.tree, i), ShownRows(b.tree, i), node == NodeClass::kMaintenanceCounter, &diff);
    }
    if (Differs(diff)) diffs.push_back(std::move(diff));
  }
  return diffs;
}

std::string DiffText(const OpenedFile& a, const OpenedFile& b, const std::vector<CategoryDiff>& diffs) {
  if (diffs.empty()) return {};
  std::string out = "--- " + a.name + "\n+++ " + b.name + "\n";
  for (const CategoryDiff& d : diffs) {
    out += "== " + CategoryPath(d.index) + " ==\n";
    if (d.table) out += "~ " + TableText(d.tableChange) + "\n";
    if (d.history) {
      for (const Row& row : d.newEntries) out += "+ new\t" + row.value + "\n";
      if (d.historyCleared) out += "~ the history was cleared in between\n";
    }
    for (const Row& row : d.onlyA) out += "- " + row.item + "\t" + row.value + "\n";
    for (const Row& row : d.onlyB) out += "+ " + row.item + "\t" + row.value + "\n";
    for (const RowChange& c : d.changed) {
      out += "~ " + c.item + "\t" + c.a + " -> " + c.b;
      if (!c.delta.empty()) out += " (" + c.delta + ")";
      out += "\n";
    }
  }
  return out;
}

std::string DiffJson(const OpenedFile& a, const OpenedFile& b, const std::vector<CategoryDiff>& diffs) {
  ordered_json doc;
  doc["format"] = "qxr-diff";
  doc["schema_version"] = kJsonSchemaVersion;
  doc["a"] = {{"file", Latin1ToUtf8(a.name)}, {"header", ordered_json::parse(HeaderJson(a.header), nullptr, false)}};
  doc["b"] = {{"file", Latin1ToUtf8(b.name)}, {"header", ordered_json::parse(HeaderJson(b.header), nullptr, false)}};
  doc["same"] = diffs.empty();
  ordered_json list = ordered_json::array();
  for (const CategoryDiff& d : diffs) {
    ordered_json c;
    c["index"] = d.index;
    c["path"] = CategoryPath(d.index);
    c["only_in_a"] = RowsJson(d.onlyA);
    c["only_in_b"] = RowsJson(d.onlyB);
    ordered_json changed = ordered_json::array();
    for (const RowChange& r : d.changed) {
      ordered_json row = {{"item", Latin1ToUtf8(r.item)}, {"a", Latin1ToUtf8(r.a)}, {"b", Latin1ToUtf8(r.b)}};
      if (!r.delta.empty()) row["delta"] = r.delta;
      changed.push_back(std::move(row));
    }
    c["changed"] = std::move(changed);
    if (d.history) {
      c["new_entries"] = RowsJson(d.newEntries);
      c["history_cleared"] = d.historyCleared;
    }
    if (d.table) {
      c["table"] = {{"values", kReferenceValues}, {"changed", d.tableChange.changed}};
      if (d.tableChange.pixel > 0) {
        c["table"]["largest_change"] = {{"pixel", d.tableChange.pixel},
                                        {"a", d.tableChange.a},
                                        {"b", d.tableChange.b},
                                        {"change", d.tableChange.largest}};
      }
    }
    list.push_back(std::move(c));
  }
  doc["categories"] = std::move(list);
  return doc.dump(2) + "\n";
}

}  // namespace qx::qxr
