// The real programs, native build, against the fixture's qxr7000-sim: R7000Utility's batch export
// (exit statuses carry the code's low 8 bits) and qxr show.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/e2e_expected.h"
#include "tests/sim/sim_fixture.h"
#include "utility/shell/category_table.h"
#include "utility/shell/info_document.h"
#include "utility/shell/result_code.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

// Runs a program in `folder` with the test's environment (QXR7000_SIM included).
Outcome Run(const std::string& program, const std::vector<std::string>& arguments, const fs::path& folder) {
  fs::path outFile = folder / ".stdout.txt";
  fs::path errFile = folder / ".stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> copies = arguments;
  std::string name = program;
  std::vector<char*> argv{name.data()};
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return {-2, "", "spawn failed"};
  int status = 0;
  waitpid(pid, &status, 0);
  Outcome outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, qx::e2e::ReadWholeFile(outFile),
                  qx::e2e::ReadWholeFile(errFile)};
  fs::remove(outFile);
  fs::remove(errFile);
  return outcome;
}

Outcome Utility(const std::vector<std::string>& arguments, const fs::path& folder) {
  return Run(QX_UTILITY_EXE, arguments, folder);
}

Outcome Qxr(const std::string& file, const fs::path& folder) { return Run(QX_QXR_EXE, {"show", file}, folder); }

int Low8(int code) { return code & 0xFF; }

// A request-log line of a recognised command of that name.
bool IsCommand(const std::string& line, const std::string& name) {
  return line.find(" command ") != std::string::npos && line.find(" " + name + " ") != std::string::npos;
}

class BatchE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string why;
    found_ = qx::simtest::FindRunningSim(&sim_, &why);
    if (!found_) return;
    setenv("QXR7000_SIM", (std::string("127.0.0.1:") + std::to_string(sim_.link.port)).c_str(), 1);
  }

  void SetUp() override {
    ASSERT_TRUE(found_) << "no simulator for this test";
    folder_ = fs::path(::testing::TempDir()) / ("e2e-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    ASSERT_TRUE(Control("fault clear"));
    ASSERT_TRUE(Profile("default.json"));
  }

  void TearDown() override {
    Control("fault clear");
    Profile("default.json");
    fs::remove_all(folder_);
  }

  static bool Control(const std::string& command) { return qx::simtest::SimControlOk(sim_.control, command); }
  static bool Profile(const std::string& name) { return Control("profile " + name); }
  static std::vector<std::string> Log() { return qx::simtest::SimControl(sim_.control, "log"); }

  std::string Bytes(const std::string& name) const { return qx::e2e::ReadWholeFile((folder_ / name).string()); }

  static inline qx::simtest::SimAddresses sim_{};
  static inline bool found_ = false;
  fs::path folder_;
};

TEST_F(BatchE2E, DefaultProfileWritesTheWholeFileByteForByte) {
  Outcome run = Utility({"/r7000", "report"}, folder_);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::string file = Bytes("report.qxr");
  ASSERT_EQ(file.size(), 20633u);

  std::vector<std::uint8_t> header = qx::e2e::ExpectedHeader();
  EXPECT_EQ(qx::e2e::HexOf(file.substr(0, 12)), qx::e2e::HexOf(header));

  std::string profile = qx::e2e::ReadWholeFile(QX_SIM_PROFILES "/default.json");
  for (const qx::e2e::ExpectedSlot& slot : qx::e2e::ExpectedDeviceSlots(profile)) {
    ASSERT_FALSE(slot.bytes.empty()) << slot.name;
    EXPECT_EQ(qx::e2e::HexOf(file.substr(slot.fileOffset, slot.bytes.size())), qx::e2e::HexOf(slot.bytes)) << slot.name;
  }
  // The device record fills its slot; the tables are 816 values each, the calibration ranges.
  for (const qx::e2e::ExpectedSlot& slot : qx::e2e::ExpectedDeviceSlots(profile)) {
    if (std::string(slot.name) == "Device") {
      EXPECT_EQ(slot.bytes.size(), 189u);
    }
    if (std::string(slot.name).find("Reference") != std::string::npos) {
      EXPECT_EQ(slot.bytes.size(), 1632u) << slot.name;
    }
  }

  // Device descriptor (file offset 12 + 19678): bLength 18, type 1, then the profile's ids.
  const std::size_t dd = 12 + 19678;
  EXPECT_EQ(static_cast<std::uint8_t>(file[dd]), 18);
  EXPECT_EQ(static_cast<std::uint8_t>(file[dd + 1]), 1);
  EXPECT_EQ(qx::e2e::HexOf(file.substr(dd + 8, 6)), "4E2F00700501");
  // String descriptors: the language-ID descriptor first (4 bytes, 0x0409).
  const std::size_t sd = 12 + 19742;
  EXPECT_EQ(qx::e2e::HexOf(file.substr(sd, 4)), "04030904");
}

struct ProfileCase {
  const char* profile;
  int code;
};

TEST_F(BatchE2E, ExitCodesOfTheProfiles) {
  for (ProfileCase c : {ProfileCase{"two-scanners.json", qx::kResultManyScanners},
                        ProfileCase{"busy-scanner.json", qx::kResultScannerBusy},
                        ProfileCase{"driver-old.json", qx::kResultOldDriver},
                        ProfileCase{"host-controller-other.json", qx::kResultHostController},
                        ProfileCase{"special-switch-on.json", qx::kResultSwitchOn},
                        ProfileCase{"special-switch-off.json", qx::kResultFirmwareDamaged},
                        ProfileCase{"special-counter.json", qx::kResultInvalidModeCounter}}) {
    ASSERT_TRUE(Profile(c.profile)) << c.profile;
    Outcome run = Utility({"/r7000", "out"}, folder_);
    EXPECT_EQ(run.status, Low8(c.code)) << c.profile << " " << run.err;
    // The target was created by the check before the gather and keeps that empty state.
    ASSERT_TRUE(fs::exists(folder_ / "out.qxr")) << c.profile;
    EXPECT_EQ(fs::file_size(folder_ / "out.qxr"), 0u) << c.profile;
    fs::remove(folder_ / "out.qxr");
  }
}

TEST_F(BatchE2E, NoScannerEnds204WithAnEmptyTarget) {
  ASSERT_TRUE(Profile("no-scanner.json"));
  Outcome run = Utility({"/r7000", "none"}, folder_);
  EXPECT_EQ(run.status, 204);
  ASSERT_TRUE(fs::exists(folder_ / "none.qxr"));
  EXPECT_EQ(fs::file_size(folder_ / "none.qxr"), 0u);
}

// The error history is read just before calibration mode is entered, so a failure there must
// leave MODEIN unsent.
TEST_F(BatchE2E, FailingErrorHistoryReadEndsWith401AndNeverEntersCalibrationMode) {
  ASSERT_TRUE(Control("clear-log"));
  Outcome probe = Utility({"/r7000", "probe"}, folder_);
  ASSERT_EQ(probe.status, 0) << probe.err;
  std::string historyCommand;
  bool modeInSeen = false;
  for (const std::string& line : Log()) {
    // "log command DEVICE NAME HEX"
    if (IsCommand(line, "error-history")) historyCommand = line.substr(line.rfind(' ') + 1);
    if (IsCommand(line, "mode-in")) modeInSeen = true;
  }
  ASSERT_FALSE(historyCommand.empty()) << "no error-history command in the log";
  ASSERT_TRUE(modeInSeen) << "a whole gather enters calibration mode";

  ASSERT_TRUE(Control("fault no-reply on " + historyCommand));
  ASSERT_TRUE(Control("clear-log"));
  Outcome run = Utility({"/r7000", "history"}, folder_);
  // The scanner is ready, so no error cause replaces the read failure.
  EXPECT_EQ(run.status, Low8(qx::kResultReadFailed)) << run.err;
  EXPECT_EQ(fs::file_size(folder_ / "history.qxr"), 0u);
  bool historySent = false;
  for (const std::string& line : Log()) {
    EXPECT_FALSE(IsCommand(line, "mode-in")) << line;
    if (IsCommand(line, "error-history")) historySent = true;
  }
  EXPECT_TRUE(historySent);
}

TEST_F(BatchE2E, ANotReadyScannerReportsItsErrorCause) {
  for (ProfileCase c : {ProfileCase{"error-403.json", 403}, ProfileCase{"error-406.json", 406},
                        ProfileCase{"error-412.json", 412}}) {
    ASSERT_TRUE(Profile(c.profile));
    Outcome run = Utility({"/r7000", "cause"}, folder_);
    EXPECT_EQ(run.status, Low8(c.code)) << c.profile << " " << run.err;
    ASSERT_TRUE(fs::exists(folder_ / "cause.qxr")) << c.profile;
    EXPECT_EQ(fs::file_size(folder_ / "cause.qxr"), 0u) << c.profile;
    fs::remove(folder_ / "cause.qxr");
  }
}

// The cause with no listed bit ends the gather with 0; the export must not report success.
TEST_F(BatchE2E, AGatherEndingWithCodeZeroIsReportedAs401) {
  ASSERT_TRUE(Profile("error-code-0.json"));
  Outcome run = Utility({"/r7000", "zero"}, folder_);
  EXPECT_EQ(run.status, Low8(qx::kResultReadFailed)) << run.err;
  EXPECT_EQ(fs::file_size(folder_ / "zero.qxr"), 0u);
}

TEST_F(BatchE2E, UnusableTargetsEndWith1001AndCreateNothing) {
  for (std::vector<std::string> line : {std::vector<std::string>{"/r7000"}, {"/r7000", "sub/report"},
                                        {"/r7000", "CONFIG"}, {"/r7000", "my;report"},
                                        {"/r7000", std::string(260, 'n')}}) {
    Outcome run = Utility(line, folder_);
    EXPECT_EQ(run.status, Low8(qx::kResultStartup)) << line.back().substr(0, 20);
    EXPECT_EQ(run.err, "");
  }
  EXPECT_TRUE(fs::is_empty(folder_));
}

// The pre-check creates the target; when it turns into a folder during the gather, the binary
// open fails: 501.
TEST_F(BatchE2E, ATargetThatCannotBeOpenedForWritingEndsWith501) {
  // Each reply arrives late, so the gather lasts long enough to swap the file for a folder.
  ASSERT_TRUE(Control("fault delay 20"));
  fs::path target = folder_ / "swap.qxr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder_.c_str());
  std::string program = QX_UTILITY_EXE;
  std::string a1 = "/r7000", a2 = "swap";
  char* argv[] = {program.data(), a1.data(), a2.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  bool swapped = false;
  for (int i = 0; i < 2000 && !swapped; ++i) {
    std::error_code ec;
    if (fs::exists(target, ec) && fs::remove(target, ec)) swapped = fs::create_directory(target, ec);
    else std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(swapped);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), Low8(qx::kResultFileWrite));
  EXPECT_TRUE(fs::is_directory(target));
}

TEST_F(BatchE2E, TheNameRules) {
  struct NameCase {
    std::vector<std::string> argv;
    const char* written;
  };
  // An argument with a blank reaches the program's line in double quotes, as a Windows command line
  // would carry it. Exit 204 (no scanner) still leaves the created target, so the rules show
  // without a full gather.
  ASSERT_TRUE(Profile("no-scanner.json"));
  for (const NameCase& c : {NameCase{{"/r7000", "report"}, "report.qxr"},
                            NameCase{{"/r7000", "kept.qxr"}, "kept.qxr"},
                            NameCase{{"/r7000", "two words"}, "two words.qxr"},
                            NameCase{{"/r7000", "quoted name.qxr"}, "quoted name.qxr"},
                            NameCase{{"/r7000", "\"plain\""}, "plain.qxr"},
                            NameCase{{"/r7000xjoined"}, "joined.qxr"},
                            NameCase{{"/r7000", ""}, ".qxr"},
                            NameCase{{"/R7000", "upper"}, "upper.qxr"},
                            NameCase{{"/r7000", "a|b"}, "a|b.qxr"},
                            NameCase{{"/r7000", "report.QXR"}, "report.QXR.qxr"}}) {
    Outcome run = Utility(c.argv, folder_);
    EXPECT_EQ(run.status, 204) << c.written;
    EXPECT_TRUE(fs::exists(folder_ / c.written)) << c.written;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1) << c.written;
    fs::remove(folder_ / c.written);
  }
}

TEST_F(BatchE2E, ALowerCaseConfigFolderIsAcceptedAndTheCapitalOneRefused) {
  ASSERT_TRUE(Profile("no-scanner.json"));
  fs::create_directories(folder_ / "config");
  EXPECT_EQ(Utility({"/r7000", "config\\x"}, folder_).status, 204);
  fs::create_directories(folder_ / "CONFIG");
  // The guard tests the whole path for the reserved words, folders included.
  EXPECT_EQ(Utility({"/r7000", "CONFIG\\x"}, folder_).status, Low8(qx::kResultStartup));
}

class QxrE2E : public BatchE2E {
 protected:
  // One exported file (default profile) shared by the read-rule tests.
  std::string Exported() {
    Outcome run = Utility({"/r7000", "base"}, folder_);
    EXPECT_EQ(run.status, 0) << run.err;
    return Bytes("base.qxr");
  }
  void Write(const std::string& name, const std::string& bytes) {
    std::FILE* f = std::fopen((folder_ / name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
  }
};

TEST_F(QxrE2E, TheReadRules) {
  std::string base = Exported();
  ASSERT_EQ(base.size(), 20633u);
  Outcome original = Qxr("base.qxr", folder_);
  ASSERT_EQ(original.status, 0) << original.err;

  std::string length = base;
  length[7] = 0x12;
  length[9] = 0x7F;
  Write("length.qxr", length);
  Outcome lengthRun = Qxr("length.qxr", folder_);
  EXPECT_EQ(lengthRun.status, 0) << lengthRun.err;
  EXPECT_EQ(lengthRun.out, original.out);

  std::string version = base;
  version[3] = 0x02;
  Write("version.qxr", version);
  Outcome versionRun = Qxr("version.qxr", folder_);
  EXPECT_EQ(versionRun.status, 2);
  EXPECT_EQ(versionRun.err, "Invalid file format.\nFile format must be qxr.version.qxr\n");
  EXPECT_EQ(versionRun.out, "");

  Write("short.qxr", base.substr(0, 20632));
  Outcome shortRun = Qxr("short.qxr", folder_);
  EXPECT_EQ(shortRun.status, 2);
  EXPECT_EQ(shortRun.err, "Invalid file format.\nFile format must be qxr.short.qxr\n");

  Write("long.qxr", base + std::string(100, '\xEE'));
  Outcome longRun = Qxr("long.qxr", folder_);
  EXPECT_EQ(longRun.status, 0) << longRun.err;
  EXPECT_EQ(longRun.out, original.out);
}

// The batch file read back by qxr shows what the live device tree shows after the same gather.
TEST_F(QxrE2E, RoundTripEqualsTheLiveDeviceTree) {
  Outcome run = Utility({"/r7000", "trip"}, folder_);
  ASSERT_EQ(run.status, 0) << run.err;
  Outcome shown = Qxr("trip.qxr", folder_);
  ASSERT_EQ(shown.status, 0) << shown.err;

  std::string live;
  {
    qx::InfoDocument document(nullptr);
    document.BuildDeviceTree(qx::kRunModeBatch);
    ASSERT_EQ(document.ExtendedGather(), qx::kResultSuccess);
    for (int i = 0; i < qx::kCategoryCount; ++i) {
      live += "== " + qx::CategoryPath(i) + " ==\n";
      for (const qx::Row& row : qx::InfoDocument::RowsOf(document.DeviceNode(qx::kCategories[i].node), qx::kRunModeExtended)) {
        live += row.item + "\t" + (row.value.empty() ? std::string("none") : row.value) + "\n";
      }
    }
  }
  EXPECT_EQ(shown.out, live);
  // Something of the scanner's is in it, not only headings.
  EXPECT_NE(shown.out.find("R7K0A1234567"), std::string::npos);
  EXPECT_NE(shown.out.find("PAPER JAM"), std::string::npos);
}

}  // namespace
