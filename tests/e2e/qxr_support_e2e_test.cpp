// qxr's support commands with the real programs against the fixture's qxr7000-sim, natively and
// (Windows build) with R7000Utility.exe and qxr.exe under Wine: a unit reproduced from its setting
// file, the differences between two exports, and the command-line contract.
#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/e2e/e2e_expected.h"
#include "tests/e2e/program_run.h"
#include "tests/qxr/unit_file_generator.h"
#include "tests/sim/sim_fixture.h"
#include "tools/qxr/sim_profile.h"

namespace fs = std::filesystem;
using qx::e2e::ProgramOutcome;

namespace {

#ifdef _WIN32
const std::string kUtility = "R7000Utility.exe";
const std::string kQxr = "qxr.exe";
// The simulator is a Linux program: it sees the work folder by its Linux path, Wine as drive Z:.
std::string ProgramView(const std::string& linuxPath) {
  std::string path = "Z:" + linuxPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
void SetSimEnvironment(const std::string& address) {
  _putenv_s("QXR7000_SIM", address.c_str());
  SetEnvironmentVariableA("QXR7000_SIM", address.c_str());
}
#else
const std::string kUtility = QX_UTILITY_EXE;
const std::string kQxr = QX_QXR_EXE;
std::string ProgramView(const std::string& linuxPath) { return linuxPath; }
void SetSimEnvironment(const std::string& address) { setenv("QXR7000_SIM", address.c_str(), 1); }
#endif

class QxrSupportE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string why;
    found_ = qx::simtest::FindRunningSim(&sim_, &why);
    if (found_) SetSimEnvironment("127.0.0.1:" + std::to_string(sim_.link.port));
  }

  void SetUp() override {
    ASSERT_TRUE(found_) << "no simulator for this test";
    linuxFolder_ = std::string(QX_E2E_WORK) + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ = ProgramView(linuxFolder_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    fs::create_directories(folder_);
    ASSERT_TRUE(Control("fault clear"));
    ASSERT_TRUE(Control("profile default.json"));
  }

  void TearDown() override {
    Control("fault clear");
    Control("profile default.json");
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  static bool Control(const std::string& command) { return qx::simtest::SimControlOk(sim_.control, command); }
  ProgramOutcome Utility(const std::string& name) { return qx::e2e::RunProgram(kUtility, {"/r7000", name}, folder_); }
  ProgramOutcome Qxr(const std::vector<std::string>& arguments) { return qx::e2e::RunProgram(kQxr, arguments, folder_); }
  std::string Path(const std::string& name) const { return (fs::path(folder_) / name).string(); }
  std::string Bytes(const std::string& name) const { return qx::e2e::ReadWholeFile(Path(name)); }

  // Exports `original.qxr`'s unit again through its profile and compares the scanner's bytes.
  void RoundTrip(const std::string& label) {
    ProgramOutcome made = Qxr({"profile", "original.qxr", "-o", "unit.json"});
    ASSERT_EQ(made.status, 0) << label << " " << made.err;
    EXPECT_EQ(made.out, "");
    ASSERT_TRUE(Control("profile " + linuxFolder_ + "/unit.json")) << label;
    ProgramOutcome run = Utility("again");
    ASSERT_EQ(run.status, 0) << label << " " << run.err;
    const std::string original = Bytes("original.qxr"), again = Bytes("again.qxr");
    ASSERT_EQ(again.size(), 20633u) << label;
    EXPECT_EQ(again.substr(0, 12), original.substr(0, 12)) << label;
    for (const qx::qxr::ReproducedRange& range : qx::qxr::kReproducedRanges) {
      EXPECT_EQ(qx::e2e::HexOf(again.substr(12 + range.offset, range.size)),
                qx::e2e::HexOf(original.substr(12 + range.offset, range.size)))
          << label << ": " << range.name;
    }
    fs::remove(Path("again.qxr"));
    fs::remove(Path("unit.json"));
  }

  // `qxr json` holds every category and row `qxr show` prints (texts as ISO 8859-1 characters).
  void JsonEqualsShow(const std::string& name) {
    ProgramOutcome json = Qxr({"json", name});
    ProgramOutcome show = Qxr({"show", name});
    ASSERT_EQ(json.status, 0) << json.err;
    ASSERT_EQ(show.status, 0) << show.err;
    nlohmann::json doc = nlohmann::json::parse(json.out);
    std::string rebuilt;
    for (const auto& c : doc.at("categories")) {
      rebuilt += "== " + c.at("path").get<std::string>() + " ==\n";
      for (const auto& row : c.at("rows")) {
        rebuilt += row.at("item").get<std::string>() + "\t" + row.at("value").get<std::string>() + "\n";
      }
    }
    EXPECT_EQ(doc.at("categories").size(), 37u);
    EXPECT_EQ(rebuilt, show.out) << name;
  }

  static inline qx::simtest::SimAddresses sim_{};
  static inline bool found_ = false;
  std::string linuxFolder_, folder_;
};

TEST_F(QxrSupportE2E, ShippedProfilesComeBackByteForByte) {
  for (const char* profile : {"default.json", "one-pocket.json"}) {
    ASSERT_TRUE(Control(std::string("profile ") + profile));
    ProgramOutcome run = Utility("original");
    ASSERT_EQ(run.status, 0) << run.err;
    JsonEqualsShow("original.qxr");
    RoundTrip(profile);
  }
}

TEST_F(QxrSupportE2E, MadeUpUnitsComeBackByteForByte) {
  for (unsigned seed : {101u, 102u, 103u}) {
    ASSERT_TRUE(qx::qxrtest::WriteBytes(Path("original.qxr"), qx::qxrtest::MakeUnitFile({seed})));
    RoundTrip("seed " + std::to_string(seed));
  }
}

// Two exports of one unit with the counters advanced and two new errors between them, the second
// made through a profile patching the first (the control interface switches to it).
TEST_F(QxrSupportE2E, DiffShowsExactlyTheServiceVisit) {
  ProgramOutcome run = Utility("before");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string later = R"({
    "base": ")" QX_SIM_PROFILES R"(/default.json",
    "device": {
      "counters": {"60": "48402", "188": "1395", "70": "1530"},
      "errorHistory": {"entries": [
        {"code": "E401", "text": "FEED ERR"}, {"code": "E310", "text": "COVER OPEN"},
        {"code": "E101", "text": "PAPER JAM"}, {"code": "E203", "text": "DBL FEED"},
        {"code": "E101", "text": "PAPER JAM"}, {"code": "E310", "text": "COVER OPEN"}]}
    }
  })";
  ASSERT_TRUE(qx::qxrtest::WriteBytes(Path("later.json"), std::vector<std::uint8_t>(later.begin(), later.end())));
  ASSERT_TRUE(Control("profile " + linuxFolder_ + "/later.json"));
  run = Utility("after");
  ASSERT_EQ(run.status, 0) << run.err;

  ProgramOutcome same = Qxr({"diff", "before.qxr", "before.qxr"});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(same.out, "");

  ProgramOutcome diff = Qxr({"diff", "before.qxr", "after.qxr"});
  EXPECT_EQ(diff.status, 1) << diff.err;
  EXPECT_EQ(diff.out,
            "--- before.qxr\n+++ after.qxr\n"
            "== Device/Maintenance Counter ==\n"
            "~ Hour\t1520/37 -> 1530/37 (+10/+0)\n"
            "~ Scan\t48213/1206 -> 48402/1395 (+189/+189)\n"
            "== Device/Error History ==\n"
            "+ new\tFEED ERR/0x45343031\n"
            "+ new\tCOVER OPEN/0x45333130\n");

  ProgramOutcome json = Qxr({"diff", "--json", "before.qxr", "after.qxr"});
  EXPECT_EQ(json.status, 1);
  nlohmann::json doc = nlohmann::json::parse(json.out);
  EXPECT_EQ(doc["schema_version"], 1);
  ASSERT_EQ(doc["categories"].size(), 2u);
  EXPECT_EQ(doc["categories"][0]["changed"][1]["delta"], "+189/+189");
  EXPECT_EQ(doc["categories"][1]["new_entries"].size(), 2u);
}

TEST_F(QxrSupportE2E, EveryCommandRefusesWhatIsNotASettingFile) {
  ASSERT_TRUE(qx::qxrtest::WriteBytes(Path("notes.txt"), {'Q', 'X', 'R', '?'}));
  ASSERT_TRUE(qx::qxrtest::WriteBytes(Path("good.qxr"), qx::qxrtest::MakeUnitFile({7})));
  const std::string refused = "Invalid file format.\nFile format must be qxr.notes.txt\n";
  for (std::vector<std::string> line : {std::vector<std::string>{"show", "notes.txt"}, {"json", "notes.txt"},
                                        {"json", "--raw", "notes.txt"}, {"html", "notes.txt"},
                                        {"profile", "notes.txt"}, {"diff", "notes.txt", "good.qxr"},
                                        {"diff", "good.qxr", "notes.txt"}, {"html", "-o", "r.html", "notes.txt"}}) {
    ProgramOutcome run = Qxr(line);
    EXPECT_EQ(run.status, 2) << line[0];
    EXPECT_EQ(run.err, refused) << line[0];
    EXPECT_EQ(run.out, "") << line[0];
  }
  EXPECT_FALSE(fs::exists(Path("r.html")));
  ProgramOutcome missing = Qxr({"json", "absent.qxr"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "Failed to read file: absent.qxr\n");
}

TEST_F(QxrSupportE2E, UsageHelpVersionAndWholeOutputFiles) {
  for (std::vector<std::string> line : {std::vector<std::string>{}, {"json"}, {"diff", "a.qxr"}, {"bogus", "a.qxr"},
                                        {"show", "--raw", "a.qxr"}}) {
    ProgramOutcome run = Qxr(line);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("usage: qxr"), std::string::npos) << run.err;
  }
  ProgramOutcome help = Qxr({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("profile FILE"), std::string::npos);
  ProgramOutcome diffHelp = Qxr({"diff", "--help"});
  EXPECT_EQ(diffHelp.status, 0);
  EXPECT_EQ(diffHelp.out.rfind("usage: qxr diff", 0), 0u) << diffHelp.out;
  ProgramOutcome version = Qxr({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "qxr 1.03.1.0\n");

  ASSERT_TRUE(qx::qxrtest::WriteBytes(Path("unit.qxr"), qx::qxrtest::MakeUnitFile({8})));
  ProgramOutcome written = Qxr({"json", "-o", "unit.json", "unit.qxr"});
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(written.out, "");
  EXPECT_EQ(Bytes("unit.json"), Qxr({"json", "unit.qxr"}).out);
  // A target that is a folder: refused, the folder as it was, no part file left.
  fs::create_directories(Path("taken.html") + "/inside");
  ProgramOutcome refused = Qxr({"html", "-o", "taken.html", "unit.qxr"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("cannot be written"), std::string::npos) << refused.err;
  EXPECT_TRUE(fs::is_directory(Path("taken.html") + "/inside"));
  EXPECT_FALSE(fs::exists(Path("taken.html.part")));
}

}  // namespace
