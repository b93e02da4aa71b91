#pragma once

#include <string>
#include <vector>

#include "utility/nodes/calibration_records.h"

namespace qx::qxr {

// A reference table's read values (0xFFFF is unread) in brief. A dip is a pixel more than 20 %
// below the median: dirt on the glass or a failing sensor element.
struct TableStats {
  int read = 0;  // values read
  int minimum = 0, maximum = 0;
  double median = 0;
  std::vector<int> dips;  // 1-based pixel indexes
};

TableStats AnalyseTable(const ReferenceTableRecord& table);

// An inline SVG line plot of the table: pixel index across, value up, lines at the minimum,
// median and maximum, the dips marked. `id` names the <svg> element.
std::string TablePlotSvg(const ReferenceTableRecord& table, const TableStats& stats, const std::string& id,
                         const std::string& title);

}  // namespace qx::qxr
