#include "tools/qxr/html_report.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

#include "tools/qxr/calibration_plot.h"
#include "tools/qxr/text_escape.h"
#include "utility/nodes/device_records.h"
#include "utility/nodes/nv_counter_threshold_records.h"
#include "utility/nodes/value_format.h"
#include "utility/shell/category_table.h"

namespace qx::qxr {

namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:0;display:flex;color:#222}"
    "nav{width:17em;padding:1em;background:#f2f4f7;border-right:1px solid #ccd;min-height:100vh;font-size:90%}"
    "nav ul{list-style:none;padding-left:1em;margin:0}nav>ul{padding-left:0}"
    "main{padding:1em 2em;flex:1;max-width:70em}"
    "header dl{display:grid;grid-template-columns:max-content auto;gap:.2em 1em}dt{font-weight:bold}"
    "table{border-collapse:collapse;margin:.5em 0 1.5em}td,th{border:1px solid #ccd;padding:.15em .6em;text-align:left}"
    "th{background:#e8ebf0}figure{margin:0 0 1.5em}figcaption{font-size:90%}"
    "svg.plot{width:100%;max-width:860px;height:auto;background:#fff}"
    ".frame{fill:none;stroke:#99a}.tick{stroke:#99a}.axis{font-size:11px;fill:#555}"
    ".curve{fill:none;stroke:#1f5fbf;stroke-width:1.2}.max{stroke:#d08000}.median{stroke:#208040}"
    ".min{stroke:#7040c0}.dip-limit{stroke:#c02020;stroke-dasharray:4 3}"
    ".level{font-size:11px;stroke:none}.level.max{fill:#d08000}.level.median{fill:#208040}"
    ".level.min{fill:#7040c0}.level.dip-limit{fill:#c02020}.dip{fill:#e02020;stroke:#600}"
    ".bar{display:inline-block;height:.9em;background:#1f5fbf;vertical-align:middle}"
    ".bar.over{background:#c02020}.limit{display:inline-block;width:2px;height:1.2em;background:#000;"
    "vertical-align:middle;margin-left:-2px}.track{position:relative;display:inline-block;width:20em;"
    "background:#eef;vertical-align:middle}.mark{position:absolute;top:-.15em;width:2px;height:1.2em;background:#000}";

std::string DateText(long long seconds) {
  if (seconds < 0) return "unknown";
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm* utc = std::gmtime(&t);
  if (utc == nullptr) return "unknown";
  char text[40];
  if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", utc) == 0) return "unknown";
  return text;
}

int Depth(int index) {
  int depth = 0;
  for (int p = kCategories[index].parent; p != kRootParent; p = kCategories[p].parent) ++depth;
  return depth;
}

// The tree as nested lists; the table lists every category right after its parent's earlier
// children, so depth changes alone open and close the lists.
void Navigation(std::string& out) {
  out += "<nav><strong>Categories</strong><ul>";
  int previous = 0;
  for (int i = 0; i < kCategoryCount; ++i) {
    const int depth = Depth(i);
    if (i > 0) {
      if (depth > previous) {
        out += "<ul>";
      } else {
        out += "</li>";
        for (int k = previous; k > depth; --k) out += "</ul></li>";
      }
    }
    out += FormatValue("<li><a href=\"#cat-%d\">", i) + HtmlText(kCategories[i].text) + "</a>";
    previous = depth;
  }
  out += "</li>";
  for (int k = previous; k > 0; --k) out += "</ul></li>";
  out += "</ul></nav>";
}

ReferenceTableRecord Table(const OpenedFile& file, NodeClass node) {
  ReferenceTableRecord table;
  std::memset(&table, 0xFF, sizeof table);
  LoadSlot(file.record, node, reinterpret_cast<std::uint8_t*>(&table), sizeof table);
  return table;
}

void Plots(const OpenedFile& file, std::string& out) {
  struct Plot {
    NodeClass node;
    const char* id;
    const char* title;
  };
  const Plot plots[] = {
      {NodeClass::kFaceCalibrationBrightness, "plot-face-brightness", "Face, brightness reference"},
      {NodeClass::kFaceCalibrationDarkness, "plot-face-darkness", "Face, darkness reference"},
      {NodeClass::kBackCalibrationBrightness, "plot-back-brightness", "Back, brightness reference"},
      {NodeClass::kBackCalibrationDarkness, "plot-back-darkness", "Back, darkness reference"},
  };
  out += "<section id=\"calibration\"><h2>Calibration reference tables</h2>";
  for (const Plot& p : plots) {
    const ReferenceTableRecord table = Table(file, p.node);
    const TableStats stats = AnalyseTable(table);
    out += "<figure>";
    out += TablePlotSvg(table, stats, p.id, p.title);
    out += "<figcaption><strong>" + std::string(p.title) + "</strong>: ";
    if (stats.read == 0) {
      out += "not read";
    } else {
      out += FormatValue("%d values, min %d, median %.1f, max %d; ", stats.read, stats.minimum, stats.median,
                         stats.maximum);
      if (stats.dips.empty()) {
        out += "no pixel more than 20 % below the median";
      } else {
        out += FormatValue("<span class=\"dips\">%d pixel(s) more than 20 %% below the median:",
                           static_cast<int>(stats.dips.size()));
        std::size_t listed = 0;
        for (int pixel : stats.dips) {
          if (listed++ == 40) {
            out += " ...";
            break;
          }
          out += FormatValue(" %d", pixel);
        }
        out += "</span>";
      }
    }
    out += "</figcaption></figure>";
  }
  out += "</section>";
}

// A bar of `value` on a scale to `scale`, with the threshold as a mark when there is one.
std::string Bar(long long value, long long scale, long long threshold) {
  if (scale <= 0) scale = 1;
  const double width = 100.0 * (value < scale ? value : scale) / scale;
  std::string bar = "<span class=\"track\">";
  bar += FormatValue("<span class=\"bar\" style=\"width:%.1f%%\"></span>", width < 0 ? 0 : width);
  if (threshold >= 0) {
    const double at = 100.0 * (threshold < scale ? threshold : scale) / scale;
    bar += FormatValue("<span class=\"mark\" style=\"left:%.1f%%\"></span>", at);
  }
  return bar + "</span>";
}

bool Number(const std::string& text, long long* value) {
  if (text.empty() || text.size() > 12) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *value = std::atoll(text.c_str());
  return true;
}

void Readings(const OpenedFile& file, std::string& out) {
  ADConverterRecord ad;
  std::memset(&ad, 0xFF, sizeof ad);
  LoadSlot(file.record, NodeClass::kADConverter, reinterpret_cast<std::uint8_t*>(&ad), sizeof ad);
  ThresholdRecord t;
  std::memset(&t, 0xFF, sizeof t);
  LoadSlot(file.record, NodeClass::kThresholdValue, reinterpret_cast<std::uint8_t*>(&t), sizeof t);
  struct Pair {
    const char* name;
    long long reading, threshold;
  };
  // Readings and thresholds the scanner holds both of: unread 0xFFFF / -1, no value 0xFF / 0xFFFF.
  auto r16 = [](std::uint16_t v) { return v == 0xFFFF ? -1LL : static_cast<long long>(v); };
  auto t16 = [](std::uint16_t v) { return v == 0xFFFF || v == 0x00FF ? -1LL : static_cast<long long>(v); };
  auto t32 = [](std::int32_t v) { return v == -1 || v == 0xFFFF ? -1LL : static_cast<long long>(v); };
  const long long doubleFeed = ad.doubleFeedSensor == -1 ? -1 : ad.doubleFeedSensor;
  const Pair pairs[] = {
      {"Paper length detector", r16(ad.paperLengthDetector), t16(t.paperLengthDetector)},
      {"Middle detector", r16(ad.middleDetector), t16(t.middleDetector)},
      {"Franking detector", r16(ad.frankingDetector), t16(t.frankingDetector)},
      {"Eject detector", r16(ad.ejectDetector), t16(t.ejectDetector)},
      {"Double-feed (paper not present)", doubleFeed, t32(t.doubleFeedPaperNotPresent)},
      {"Double-feed (paper present)", doubleFeed, t32(t.doubleFeedPaperPresent)},
  };
  out += "<section id=\"readings\"><h2>Sensor readings against their thresholds</h2>"
         "<table><tr><th>Sensor</th><th>Reading</th><th>Threshold</th><th></th></tr>";
  int shown = 0;
  for (const Pair& p : pairs) {
    if (p.reading < 0 || p.threshold < 0) continue;
    ++shown;
    const long long scale = (p.reading > p.threshold ? p.reading : p.threshold) * 5 / 4 + 1;
    out += "<tr><td>" + std::string(p.name) + "</td>" + FormatValue("<td>%lld</td><td>%lld</td>", p.reading, p.threshold) +
           "<td>" + Bar(p.reading, scale, p.threshold) + "</td></tr>";
  }
  if (shown == 0) out += "<tr><td colspan=\"4\">the file holds no reading with its threshold</td></tr>";
  out += "</table>";

  // The counters have no threshold in the scanner: each pair is shown against the largest count.
  const int index = FindCategory(NodeClass::kMaintenanceCounter);
  RowList rows = ShownRows(file.tree, index);
  long long largest = 0;
  std::vector<std::pair<long long, long long>> counts;
  for (const Row& row : rows) {
    std::size_t slash = row.value.find('/');
    long long a = -1, b = -1;
    if (slash != std::string::npos) {
      if (!Number(row.value.substr(0, slash), &a)) a = -1;
      if (!Number(row.value.substr(slash + 1), &b)) b = -1;
    }
    largest = a > largest ? a : largest;
    largest = b > largest ? b : largest;
    counts.push_back({a, b});
  }
  out += "<h2 id=\"counters\">Maintenance counters</h2><table><tr><th>Counter</th><th>Counts</th><th></th></tr>";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    out += "<tr><td>" + HtmlText(rows[i].item) + "</td><td>" + HtmlText(rows[i].value) + "</td><td>";
    if (counts[i].first >= 0) out += Bar(counts[i].first, largest, -1);
    if (counts[i].second >= 0) out += "<br>" + Bar(counts[i].second, largest, -1);
    out += "</td></tr>";
  }
  out += "</table></section>";
}

void History(const OpenedFile& file, std::string& out) {
  out += "<section id=\"error-history\"><h2>Error history</h2><table><tr><th>Entry</th><th>Text</th><th>Code</th></tr>";
  RowList rows = ShownRows(file.tree, FindCategory(NodeClass::kErrorHistory));
  for (const Row& row : rows) {
    std::size_t split = row.value.rfind("/0x");
    std::string text = split == std::string::npos ? row.value : row.value.substr(0, split);
    std::string code = split == std::string::npos ? "" : row.value.substr(split + 1);
    out += "<tr><td>" + HtmlText(row.item) + "</td><td>" + HtmlText(text) + "</td><td>" + HtmlText(code) + "</td></tr>";
  }
  if (rows.empty()) out += "<tr><td colspan=\"3\">no entries</td></tr>";
  out += "</table></section>";
}

void Categories(const OpenedFile& file, std::string& out) {
  for (int i = 0; i < kCategoryCount; ++i) {
    out += FormatValue("<section class=\"category\" id=\"cat-%d\"><h2>", i) + HtmlText(CategoryPath(i)) + "</h2>";
    RowList rows = ShownRows(file.tree, i);
    if (!rows.empty()) {
      out += "<table><tr><th>Item</th><th>Value</th></tr>";
      for (const Row& row : rows) {
        out += "<tr><td>" + HtmlText(row.item) + "</td><td>" + HtmlText(row.value) + "</td></tr>";
      }
      out += "</table>";
    }
    out += "</section>";
  }
}

}  // namespace

std::string HtmlReport(const OpenedFile& file) {
  DeviceRecord device;
  std::memset(&device, 0, sizeof device);
  LoadSlot(file.record, NodeClass::kDevice, reinterpret_cast<std::uint8_t*>(&device), sizeof device);
  const std::string name = FieldText(device.deviceName);
  const std::string serial = FieldText(device.serialNumber);

  std::string out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>";
  out += HtmlText(name + " " + serial) + " - " + HtmlText(file.name) + "</title><style>" + kStyle + "</style></head><body>";
  Navigation(out);
  out += "<main><header><h1>QX-R7000 setting file</h1><dl>";
  out += "<dt>Device name</dt><dd id=\"device-name\">" + HtmlText(name) + "</dd>";
  out += "<dt>Serial no.</dt><dd id=\"serial-number\">" + HtmlText(serial) + "</dd>";
  out += "<dt>Firmware version</dt><dd id=\"firmware\">" + HtmlText(FieldText(device.firmwareVersion)) + "</dd>";
  out += "<dt>File date</dt><dd id=\"file-date\">" + DateText(file.modified) + "</dd>";
  out += "<dt>File</dt><dd>" + HtmlText(file.name) + "</dd></dl></header>";
  Plots(file, out);
  Readings(file, out);
  History(file, out);
  Categories(file, out);
  out += "</main></body></html>\n";
  return out;
}

}  // namespace qx::qxr
