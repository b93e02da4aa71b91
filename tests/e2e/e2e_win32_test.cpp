// The real R7000Utility.exe and qxr.exe, Windows build under Wine, against the fixture's
// qxr7000-sim: the test exe starts them and reads the full exit code with GetExitCodeProcess.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tests/e2e/e2e_expected.h"
#include "tests/sim/sim_fixture.h"
#include "utility/shell/category_table.h"
#include "utility/shell/info_document.h"
#include "utility/shell/result_code.h"

namespace {

constexpr DWORD kTimeoutMs = 120000;

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path, n);
  return text.substr(0, text.find_last_of("\\/") + 1);
}

struct Outcome {
  DWORD code = 0xFFFFFFFF;
  std::string out;
  std::string err;
};

HANDLE InheritableFile(const std::string& path) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

struct Started {
  PROCESS_INFORMATION process{};
  bool ok = false;
  std::string outPath;
  std::string errPath;
};

// Starts `exe` with `arguments` in `folder`, its output in two text files of the folder. Each run
// has files of its own: a program's handles may still be closing after its end is signalled, and a
// file of the same name made again at that moment could not be opened, so the next program would
// run without its output.
Started Start(const std::string& exe, const std::string& arguments, const std::string& folder) {
  static int run = 0;
  Started started;
  std::string number = std::to_string(++run);
  started.outPath = folder + "\\.stdout" + number + ".txt";
  started.errPath = folder + "\\.stderr" + number + ".txt";
  HANDLE out = InheritableFile(started.outPath);
  HANDLE err = InheritableFile(started.errPath);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out;
  si.hStdError = err;
  std::string line(1, '"');
  line.append(ProgramFolder()).append(exe).append("\" ").append(arguments);
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  started.ok = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si,
                              &started.process) != 0;
  CloseHandle(out);
  CloseHandle(err);
  return started;
}

Outcome Finish(Started& started) {
  Outcome outcome;
  if (!started.ok) return outcome;
  if (WaitForSingleObject(started.process.hProcess, kTimeoutMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(started.process.hProcess, &outcome.code);
  } else {
    TerminateProcess(started.process.hProcess, 9999);
  }
  CloseHandle(started.process.hProcess);
  CloseHandle(started.process.hThread);
  outcome.out = qx::e2e::ReadWholeFile(started.outPath);
  outcome.err = qx::e2e::ReadWholeFile(started.errPath);
  DeleteFileA(started.outPath.c_str());
  DeleteFileA(started.errPath.c_str());
  return outcome;
}

Outcome RunProgram(const std::string& exe, const std::string& arguments, const std::string& folder) {
  Started started = Start(exe, arguments, folder);
  return Finish(started);
}

std::string WithoutCarriageReturns(const std::string& text) {
  std::string kept;
  for (char c : text) {
    if (c != '\r') kept += c;
  }
  return kept;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class WineE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string why;
    found_ = qx::simtest::FindRunningSim(&sim_, &why);
    if (!found_) return;
    // The CRT's copy for this process's own driver, the process environment for the children.
    std::string address = "127.0.0.1:" + std::to_string(sim_.link.port);
    _putenv_s("QXR7000_SIM", address.c_str());
    SetEnvironmentVariableA("QXR7000_SIM", address.c_str());
  }

  void SetUp() override {
    ASSERT_TRUE(found_) << "no simulator for this test";
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "qx-e2e-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(folder_.c_str(), nullptr);
    ASSERT_TRUE(qx::simtest::SimControlOk(sim_.control, "fault clear"));
    ASSERT_TRUE(Profile("default.json"));
  }

  void TearDown() override {
    qx::simtest::SimControlOk(sim_.control, "fault clear");
    Profile("default.json");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  static bool Profile(const std::string& name) { return qx::simtest::SimControlOk(sim_.control, "profile " + name); }
  std::string In(const std::string& name) const { return folder_ + "\\" + name; }

  static inline qx::simtest::SimAddresses sim_{};
  static inline bool found_ = false;
  std::string folder_;
};

TEST_F(WineE2E, ExportWritesTheFileAndQxrShowsTheLiveTree) {
  Outcome run = RunProgram("R7000Utility.exe", "/r7000 report", folder_);
  ASSERT_EQ(run.code, 0u) << run.err;
  std::string file = qx::e2e::ReadWholeFile(In("report.qxr"));
  ASSERT_EQ(file.size(), 20633u);
  std::vector<std::uint8_t> header = qx::e2e::ExpectedHeader();
  EXPECT_EQ(qx::e2e::HexOf(file.substr(0, 12)), qx::e2e::HexOf(header));
  std::string profile = qx::e2e::ReadWholeFile(QX_SIM_PROFILES "/default.json");
  ASSERT_FALSE(profile.empty());
  for (const qx::e2e::ExpectedSlot& slot : qx::e2e::ExpectedDeviceSlots(profile)) {
    EXPECT_EQ(qx::e2e::HexOf(file.substr(slot.fileOffset, slot.bytes.size())), qx::e2e::HexOf(slot.bytes)) << slot.name;
  }

  Outcome shown = RunProgram("qxr.exe", "show report.qxr", folder_);
  ASSERT_EQ(shown.code, 0u) << shown.err;
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
  // qxr writes in text mode: line ends become CR LF on Windows.
  EXPECT_EQ(WithoutCarriageReturns(shown.out), live);

  std::string changed = file;
  changed[3] = 0x02;
  HANDLE h = CreateFileA(In("v2.qxr").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(h, changed.data(), static_cast<DWORD>(changed.size()), &written, nullptr);
  CloseHandle(h);
  Outcome refused = RunProgram("qxr.exe", "show v2.qxr", folder_);
  EXPECT_EQ(refused.code, 2u);
  EXPECT_EQ(WithoutCarriageReturns(refused.err), "Invalid file format.\nFile format must be qxr.v2.qxr\n");
}

TEST_F(WineE2E, ExitCodesArriveWhole) {
  struct Case {
    const char* profile;
    DWORD code;
  };
  for (Case c : {Case{"no-scanner.json", 204}, Case{"two-scanners.json", 205}, Case{"error-code-0.json", 401}}) {
    ASSERT_TRUE(Profile(c.profile));
    Outcome run = RunProgram("R7000Utility.exe", "/r7000 out", folder_);
    EXPECT_EQ(run.code, c.code) << c.profile;
    ASSERT_TRUE(FileExists(In("out.qxr"))) << c.profile;
    std::string bytes = qx::e2e::ReadWholeFile(In("out.qxr"));
    EXPECT_EQ(bytes.size(), 0u) << c.profile;
    DeleteFileA(In("out.qxr").c_str());
  }
  EXPECT_EQ(RunProgram("R7000Utility.exe", "/r7000", folder_).code, 1001u);
  EXPECT_EQ(RunProgram("R7000Utility.exe", "/r7000 sub/report", folder_).code, 1001u);
}

// The pre-check creates the target; turned into a folder during the gather, it cannot be opened
// for binary writing.
TEST_F(WineE2E, ATargetThatBecameAFolderEndsWith501) {
  ASSERT_TRUE(qx::simtest::SimControlOk(sim_.control, "fault delay 20"));
  std::string target = In("swap.qxr");
  Started started = Start("R7000Utility.exe", "/r7000 swap", folder_);
  ASSERT_TRUE(started.ok);
  bool swapped = false;
  for (int i = 0; i < 20000 && !swapped; ++i) {
    if (FileExists(target) && DeleteFileA(target.c_str())) swapped = CreateDirectoryA(target.c_str(), nullptr) != 0;
    else Sleep(1);
  }
  Outcome run = Finish(started);
  ASSERT_TRUE(swapped);
  EXPECT_EQ(run.code, 501u);
}

}  // namespace
