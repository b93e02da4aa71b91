#include "tools/qxr/calibration_plot.h"

#include <algorithm>

#include "tools/qxr/text_escape.h"
#include "utility/nodes/value_format.h"

namespace qx::qxr {

namespace {

constexpr int kUnread = 0xFFFF;
constexpr double kDipShare = 0.8;

// The drawing area inside the SVG's 860 x 300 view box.
constexpr double kLeft = 48, kRight = 850, kTop = 16, kBottom = 266;

double X(int index) { return kLeft + (kRight - kLeft) * index / static_cast<double>(kReferenceValues - 1); }

}  // namespace

TableStats AnalyseTable(const ReferenceTableRecord& table) {
  TableStats stats;
  std::vector<int> values;
  for (std::size_t i = 0; i < kReferenceValues; ++i) {
    if (table.value[i] != kUnread) values.push_back(table.value[i]);
  }
  stats.read = static_cast<int>(values.size());
  if (values.empty()) return stats;
  std::vector<int> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  stats.minimum = sorted.front();
  stats.maximum = sorted.back();
  const std::size_t mid = sorted.size() / 2;
  stats.median = sorted.size() % 2 == 1 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2.0;
  for (std::size_t i = 0; i < kReferenceValues; ++i) {
    const int v = table.value[i];
    if (v != kUnread && v < kDipShare * stats.median) stats.dips.push_back(static_cast<int>(i + 1));
  }
  return stats;
}

std::string TablePlotSvg(const ReferenceTableRecord& table, const TableStats& stats, const std::string& id,
                         const std::string& title) {
  // The scale runs from 0 to a little above the largest value, so that a darkness table (values
  // near 16) shows its shape as well as a brightness table (near 220).
  const int largest = stats.read > 0 ? stats.maximum : 255;
  const int room = largest + largest / 8;
  const int step = room > 64 ? 32 : 4;  // ticks at quarters of the top: whole numbers
  const int top = std::max(16, (room + step - 1) / step * step);
  auto y = [&](double value) { return kBottom - (kBottom - kTop) * value / top; };
  std::string svg = "<svg id=\"" + HtmlText(id) +
                    "\" class=\"plot\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 860 300\" role=\"img\" "
                    "aria-label=\"" + HtmlText(title) + "\">";
  svg += "<rect x=\"48\" y=\"16\" width=\"802\" height=\"250\" class=\"frame\"/>";
  for (int v : {0, top / 4, top / 2, 3 * top / 4, top}) {
    const double at = y(v);
    svg += FormatValue("<line x1=\"44\" x2=\"48\" y1=\"%.1f\" y2=\"%.1f\" class=\"tick\"/>", at, at);
    svg += FormatValue("<text x=\"40\" y=\"%.1f\" class=\"axis\" text-anchor=\"end\">%d</text>", at + 4, v);
  }
  for (int p : {1, 204, 408, 612, 816}) {
    const double at = X(p - 1);
    svg += FormatValue("<text x=\"%.1f\" y=\"284\" class=\"axis\" text-anchor=\"middle\">%d</text>", at, p);
  }
  svg += "<text x=\"449\" y=\"298\" class=\"axis\" text-anchor=\"middle\">pixel</text>";
  if (stats.read > 0) {
    // Labels alternate between the right and the left end, above and below their line, so that
    // close levels stay readable.
    struct Level {
      double value;
      const char* cls;
      const char* name;
      bool right, above;
    };
    const Level levels[] = {{static_cast<double>(stats.maximum), "max", "max", true, true},
                            {stats.median, "median", "median", false, true},
                            {static_cast<double>(stats.minimum), "min", "min", true, false},
                            {kDipShare * stats.median, "dip-limit", "median - 20 %", false, false}};
    for (const Level& l : levels) {
      const double at = y(l.value);
      svg += FormatValue("<line x1=\"48\" x2=\"850\" y1=\"%.1f\" y2=\"%.1f\" class=\"%s\"/>", at, at, l.cls);
      svg += FormatValue("<text x=\"%d\" y=\"%.1f\" class=\"level %s\" text-anchor=\"%s\">%s %.1f</text>",
                         l.right ? 846 : 52, l.above ? at - 3 : at + 11, l.cls, l.right ? "end" : "start", l.name,
                         l.value);
    }
    // The curve; an unread value breaks it.
    std::string points;
    auto flush = [&]() {
      if (!points.empty()) svg += "<polyline class=\"curve\" points=\"" + points + "\"/>";
      points.clear();
    };
    for (std::size_t i = 0; i < kReferenceValues; ++i) {
      const int v = table.value[i];
      if (v == kUnread) {
        flush();
        continue;
      }
      points += FormatValue("%.1f,%.1f ", X(static_cast<int>(i)), y(v));
    }
    flush();
    for (int pixel : stats.dips) {
      const int v = table.value[pixel - 1];
      svg += FormatValue("<circle class=\"dip\" cx=\"%.1f\" cy=\"%.1f\" r=\"3.5\"><title>pixel %d: %d</title></circle>",
                         X(pixel - 1), y(v), pixel, v);
    }
  } else {
    svg += "<text x=\"449\" y=\"140\" class=\"axis\" text-anchor=\"middle\">not read</text>";
  }
  svg += "</svg>";
  return svg;
}

}  // namespace qx::qxr
