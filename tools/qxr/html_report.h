#pragma once

#include <string>

#include "tools/qxr/opened_file.h"

namespace qx::qxr {

// One self-contained HTML page of a file (no scripts, no external files): header with the unit's
// identity and the file's date, the category tree as navigation, the four calibration reference
// tables as SVG plots with their dips marked, sensor readings against their thresholds and the
// maintenance counters as bars, the error history, and every category's rows as a table.
std::string HtmlReport(const OpenedFile& file);

}  // namespace qx::qxr
