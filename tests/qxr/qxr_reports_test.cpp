// The support-desk reports of qxr, in-process: JSON rows against `qxr show`, the differences of
// two files, the HTML page with its plots and escaping, the command line and the atomic output.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "tests/qxr/unit_file_generator.h"
#include "tools/qxr/calibration_plot.h"
#include "tools/qxr/command_line.h"
#include "tools/qxr/file_diff.h"
#include "tools/qxr/html_report.h"
#include "tools/qxr/json_report.h"
#include "tools/qxr/output_file.h"
#include "tools/qxr/setting_report.h"
#include "utility/nodes/error_history_record.h"
#include "utility/nodes/nv_counter_threshold_records.h"
#include "utility/shell/category_table.h"
#include "utility/shell/result_code.h"
#include "utility/shell/setting_file.h"

namespace fs = std::filesystem;
using qx::qxr::OpenedFile;

namespace {

class QxrReports : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("qxr-reports-" + std::to_string(std::random_device{}()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  std::unique_ptr<OpenedFile> Open(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = (folder_ / name).string();
    EXPECT_TRUE(qx::qxrtest::WriteBytes(path, bytes));
    std::unique_ptr<OpenedFile> file;
    EXPECT_EQ(qx::qxr::OpenSettingFile(path, &file), qx::kResultSuccess) << name;
    return file;
  }

  static std::vector<std::uint8_t> FileOf(const qx::SettingRecord& record) {
    const qx::SettingFileHeader header = qx::BuildSettingFileHeader();
    std::vector<std::uint8_t> file(qx::kSettingFileSize);
    std::memcpy(file.data(), &header, sizeof header);
    std::memcpy(file.data() + sizeof header, record.bytes, sizeof record.bytes);
    return file;
  }

  fs::path folder_;
};

// UTF-8 of code points up to U+00FF back to the file's bytes.
std::string Latin1(const std::string& utf8) {
  std::string bytes;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {
      bytes.push_back(static_cast<char>(b));
    } else {
      bytes.push_back(static_cast<char>(((b & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F)));
    }
  }
  return bytes;
}

// The `qxr show` text rebuilt from the JSON document, and the raw hex checked against the record.
std::string ShowFromJson(const nlohmann::json& doc, const qx::SettingRecord& record) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string show;
  for (const auto& c : doc.at("categories")) {
    show += "== " + c.at("path").get<std::string>() + " ==\n";
    for (const auto& row : c.at("rows")) {
      show += Latin1(row.at("item").get<std::string>()) + "\t" + Latin1(row.at("value").get<std::string>()) + "\n";
    }
    if (c.contains("record")) {
      const std::size_t offset = c["record"]["offset"], size = c["record"]["size"];
      std::string hex;
      for (std::size_t i = 0; i < size; ++i) {
        hex.push_back(kDigits[record.bytes[offset + i] >> 4]);
        hex.push_back(kDigits[record.bytes[offset + i] & 0x0F]);
      }
      EXPECT_EQ(c["record"]["hex"].get<std::string>(), hex) << c["path"];
    }
  }
  return show;
}

TEST_F(QxrReports, JsonHoldsEveryRowOfShowForMadeUpAndRandomFiles) {
  std::mt19937 random(7);
  for (int n = 0; n < 24; ++n) {
    qx::SettingRecord record;
    if (n < 4) {
      record = qx::qxrtest::MakeUnitRecord({static_cast<unsigned>(n + 1), 0, 6, n == 3});
    } else {
      for (auto& b : record.bytes) b = static_cast<std::uint8_t>(random());
    }
    std::string name = "f";
    name += std::to_string(n);
    auto file = Open(name + ".qxr", FileOf(record));
    ASSERT_NE(file, nullptr);
    nlohmann::json doc = nlohmann::json::parse(qx::qxr::JsonReport(*file, true));
    EXPECT_EQ(doc["format"], "qxr-setting-file");
    EXPECT_EQ(doc["schema_version"], qx::qxr::kJsonSchemaVersion);
    EXPECT_EQ(doc["header"]["version"], "1.3.1.0");
    EXPECT_EQ(doc["header"]["length"], 20633);
    ASSERT_EQ(doc["categories"].size(), 37u);
    EXPECT_EQ(ShowFromJson(doc, file->record), qx::SettingReport(file->tree)) << "file " << n;
  }
}

TEST_F(QxrReports, NotASettingFileIsRefusedWithTheUtilitysMessage) {
  const std::string path = (folder_ / "notes.txt").string();
  ASSERT_TRUE(qx::qxrtest::WriteBytes(path, {'h', 'e', 'l', 'l', 'o'}));
  std::unique_ptr<OpenedFile> file;
  int result = qx::qxr::OpenSettingFile(path, &file);
  EXPECT_EQ(result, qx::kResultFileFormat);
  EXPECT_EQ(file, nullptr);
  EXPECT_EQ(qx::qxr::OpenFailureMessage(result, path), "Invalid file format.\nFile format must be qxr.notes.txt");
  result = qx::qxr::OpenSettingFile((folder_ / "missing.qxr").string(), &file);
  EXPECT_EQ(qx::qxr::OpenFailureMessage(result, "x/missing.qxr"), "Failed to read file: missing.qxr");
}

TEST_F(QxrReports, DiffOfAServiceVisit) {
  qx::SettingRecord before = qx::qxrtest::MakeUnitRecord({11});
  qx::SettingRecord after = before;

  qx::MaintenanceCounterRecord counters{};
  qx::LoadSlot(before, qx::NodeClass::kMaintenanceCounter, reinterpret_cast<std::uint8_t*>(&counters), 110);
  std::strcpy(counters.counter[1], "48211");
  std::strcpy(counters.counter[6], "6520");
  qx::StoreSlot(before, qx::NodeClass::kMaintenanceCounter, reinterpret_cast<std::uint8_t*>(&counters), 110);
  std::strcpy(counters.counter[1], "48400");
  std::strcpy(counters.counter[6], "6709");
  qx::StoreSlot(after, qx::NodeClass::kMaintenanceCounter, reinterpret_cast<std::uint8_t*>(&counters), 110);

  qx::ErrorHistoryRecord history{};
  std::strcpy(history.entry[0].code, "E101");
  std::strcpy(history.entry[0].text, "PAPER JAM");
  std::strcpy(history.entry[1].code, "E203");
  std::strcpy(history.entry[1].text, "DBL FEED");
  qx::StoreSlot(before, qx::NodeClass::kErrorHistory, reinterpret_cast<std::uint8_t*>(&history), sizeof history);
  qx::ErrorHistoryRecord newer{};
  std::strcpy(newer.entry[0].code, "E310");
  std::strcpy(newer.entry[0].text, "COVER OPEN");
  std::strcpy(newer.entry[1].code, "E101");
  std::strcpy(newer.entry[1].text, "JAM 2");
  newer.entry[2] = history.entry[0];
  newer.entry[3] = history.entry[1];
  qx::StoreSlot(after, qx::NodeClass::kErrorHistory, reinterpret_cast<std::uint8_t*>(&newer), sizeof newer);

  // Twelve pixels of the face brightness table, the largest change -60 at pixel 300.
  const qx::SettingSlot* table = qx::FindSettingSlot(qx::NodeClass::kFaceCalibrationBrightness);
  for (int p = 295; p < 307; ++p) {
    std::uint8_t& low = after.bytes[table->offset + 2 * (p - 1)];
    low = static_cast<std::uint8_t>(low - (p == 300 ? 60 : 5));
  }

  auto a = Open("before.qxr", FileOf(before));
  auto b = Open("after.qxr", FileOf(after));
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(qx::qxr::DiffFiles(*a, *a).empty());
  EXPECT_EQ(qx::qxr::DiffText(*a, *a, {}), "");

  std::vector<qx::qxr::CategoryDiff> diffs = qx::qxr::DiffFiles(*a, *b);
  ASSERT_EQ(diffs.size(), 3u);
  EXPECT_EQ(qx::CategoryPath(diffs[0].index), "Device/Maintenance Counter");
  ASSERT_EQ(diffs[0].changed.size(), 1u);
  EXPECT_EQ(diffs[0].changed[0].item, "Scan");
  EXPECT_EQ(diffs[0].changed[0].delta, "+189/+189");
  EXPECT_EQ(qx::CategoryPath(diffs[1].index), "Device/Calibration Value(Face)/Brightness Reference");
  EXPECT_EQ(diffs[1].tableChange.changed, 12);
  EXPECT_EQ(diffs[1].tableChange.pixel, 300);
  EXPECT_EQ(diffs[1].tableChange.largest, -60);
  EXPECT_EQ(qx::CategoryPath(diffs[2].index), "Device/Error History");
  ASSERT_EQ(diffs[2].newEntries.size(), 2u);
  EXPECT_EQ(diffs[2].newEntries[0].value, "COVER OPEN/0x45333130");
  EXPECT_EQ(diffs[2].newEntries[1].value, "JAM 2/0x45313031");
  EXPECT_FALSE(diffs[2].historyCleared);

  const std::string text = qx::qxr::DiffText(*a, *b, diffs);
  EXPECT_NE(text.find("~ Scan\t48211/6520 -> 48400/6709 (+189/+189)\n"), std::string::npos) << text;
  EXPECT_NE(text.find("+ new\tCOVER OPEN/0x45333130\n+ new\tJAM 2/0x45313031\n"), std::string::npos) << text;
  nlohmann::json doc = nlohmann::json::parse(qx::qxr::DiffJson(*a, *b, diffs));
  EXPECT_FALSE(doc["same"].get<bool>());
  EXPECT_EQ(doc["categories"][0]["changed"][0]["delta"], "+189/+189");
  EXPECT_EQ(doc["categories"][1]["table"]["largest_change"]["pixel"], 300);

  // A history emptied at the visit and one new error since: one new entry, and the clearing said.
  qx::ErrorHistoryRecord cleared{};
  cleared.entry[0] = newer.entry[0];
  qx::StoreSlot(after, qx::NodeClass::kErrorHistory, reinterpret_cast<std::uint8_t*>(&cleared), sizeof cleared);
  auto c = Open("cleared.qxr", FileOf(after));
  diffs = qx::qxr::DiffFiles(*a, *c);
  ASSERT_EQ(diffs.size(), 3u);
  EXPECT_EQ(diffs[2].newEntries.size(), 1u);
  EXPECT_TRUE(diffs[2].historyCleared);
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(QxrReports, HtmlMarksADipAndEscapesHostileText) {
  auto clean = Open("clean.qxr", qx::qxrtest::MakeUnitFile({21}));
  auto dipped = Open("dip.qxr", qx::qxrtest::MakeUnitFile({21, 300, 6}));
  auto hostile = Open("hostile.qxr", qx::qxrtest::MakeUnitFile({21, 0, 6, true}));
  ASSERT_TRUE(clean && dipped && hostile);

  const std::string page = qx::qxr::HtmlReport(*clean);
  EXPECT_EQ(Count(page, "<svg "), 4);
  for (const char* id : {"plot-face-brightness", "plot-face-darkness", "plot-back-brightness", "plot-back-darkness"}) {
    EXPECT_NE(page.find(std::string("id=\"") + id + "\""), std::string::npos) << id;
  }
  EXPECT_EQ(Count(page, "class=\"dip\""), 0);
  EXPECT_EQ(Count(page, "<section class=\"category\""), 37);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("http"), page.find("http://www.w3.org/2000/svg"));  // no external reference

  const std::string marked = qx::qxr::HtmlReport(*dipped);
  EXPECT_EQ(Count(marked, "class=\"dip\""), 6);
  for (int p = 300; p < 306; ++p) EXPECT_NE(marked.find("<title>pixel " + std::to_string(p) + ":"), std::string::npos) << p;

  const std::string bad = qx::qxr::HtmlReport(*hostile);
  EXPECT_EQ(bad.find("<script"), std::string::npos);
  EXPECT_EQ(bad.find("<b>"), std::string::npos);
  EXPECT_NE(bad.find("&lt;script&gt;x()&lt;/script&gt;"), std::string::npos);
  // The name without a terminator ends with its 33-byte field; 0x81 and 0x01 are no characters.
  const std::string name = "&lt;b&gt;&amp;amp;&quot;&#39;\xC3\xA9&#xFFFD;&#xFFFD;&lt;" + std::string(19, 'Z') + "</dd>";
  EXPECT_NE(bad.find("<dd id=\"device-name\">" + name), std::string::npos);
}

TEST_F(QxrReports, TableStatisticsAndDips) {
  qx::ReferenceTableRecord table;
  for (std::size_t i = 0; i < qx::kReferenceValues; ++i) table.value[i] = static_cast<std::uint16_t>(200 + i % 3);
  table.value[99] = 159;   // 20.5 % below the median 201
  table.value[100] = 161;  // 19.9 % below: no dip
  table.value[500] = 0xFFFF;  // unread: neither a value nor a dip
  qx::qxr::TableStats stats = qx::qxr::AnalyseTable(table);
  EXPECT_EQ(stats.read, 815);
  EXPECT_EQ(stats.minimum, 159);
  EXPECT_EQ(stats.maximum, 202);
  EXPECT_DOUBLE_EQ(stats.median, 201);
  EXPECT_EQ(stats.dips, std::vector<int>{100});
  const std::string svg = qx::qxr::TablePlotSvg(table, stats, "t", "T");
  EXPECT_EQ(Count(svg, "<polyline"), 2);  // the unread value breaks the curve
  EXPECT_EQ(Count(svg, "<circle"), 1);
}

TEST(QxrCommandLine, CommandsOptionsAndUsageErrors) {
  using qx::qxr::ParseCommandLine;
  using qx::qxr::Verb;
  EXPECT_FALSE(ParseCommandLine({}).error.empty());
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
  EXPECT_TRUE(ParseCommandLine({"--version"}).version);
  auto json = ParseCommandLine({"json", "--raw", "-o", "out.json", "a.qxr"});
  EXPECT_EQ(json.error, "");
  EXPECT_EQ(json.verb, Verb::kJson);
  EXPECT_TRUE(json.raw);
  EXPECT_EQ(json.output, "out.json");
  EXPECT_EQ(json.files, std::vector<std::string>{"a.qxr"});
  auto diff = ParseCommandLine({"diff", "--json", "a", "b"});
  EXPECT_TRUE(diff.json);
  EXPECT_EQ(diff.files.size(), 2u);
  EXPECT_EQ(ParseCommandLine({"diff", "a"}).error, "two files expected");
  EXPECT_EQ(ParseCommandLine({"html", "a", "b"}).error, "one file expected");
  EXPECT_EQ(ParseCommandLine({"show", "--raw", "a"}).error, "unknown option '--raw'");
  EXPECT_EQ(ParseCommandLine({"show", "-o", "x", "a"}).error, "unknown option '-o'");
  EXPECT_EQ(ParseCommandLine({"profile", "a", "-o"}).error, "-o needs a file name");
  EXPECT_EQ(ParseCommandLine({"frobnicate"}).error, "unknown command 'frobnicate'");
  auto help = ParseCommandLine({"html", "--help"});
  EXPECT_TRUE(help.help);
  EXPECT_EQ(help.verb, Verb::kHtml);
  EXPECT_NE(qx::qxr::UsageText(Verb::kHtml).find("qxr html"), std::string::npos);
  EXPECT_EQ(ParseCommandLine({"show", "--", "-odd.qxr"}).files, std::vector<std::string>{"-odd.qxr"});
}

TEST_F(QxrReports, OutputIsWrittenWholeOrNotAtAll) {
  const std::string target = (folder_ / "report.html").string();
  std::string why;
  ASSERT_TRUE(qx::qxr::WriteOutput("first", target, &why)) << why;
  ASSERT_TRUE(qx::qxr::WriteOutput("second text", target, &why)) << why;
  EXPECT_EQ(fs::file_size(target), 11u);
  EXPECT_FALSE(fs::exists(target + ".part"));

  // A folder where the file should go: refused, the folder untouched, no temporary left.
  const fs::path folderTarget = folder_ / "taken";
  fs::create_directories(folderTarget / "inside");
  EXPECT_FALSE(qx::qxr::WriteOutput("text", folderTarget.string(), &why));
  EXPECT_NE(why.find("cannot be written"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(folderTarget / "inside"));
  EXPECT_FALSE(fs::exists(folderTarget.string() + ".part"));
  EXPECT_FALSE(qx::qxr::WriteOutput("text", (folder_ / "no" / "such" / "x.html").string(), &why));
  EXPECT_FALSE(fs::exists(folder_ / "no"));
}

}  // namespace
