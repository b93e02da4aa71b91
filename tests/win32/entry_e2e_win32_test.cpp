// The real R7000Utility.exe under Wine, its message boxes read and answered like a person would.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/win32/ui_driver.h"

namespace qx::test {
namespace {

constexpr DWORD kTimeoutMs = 60000;

std::string UtilityExe() { return ProgramFolder() + "R7000Utility.exe"; }

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

class HeldInstanceMutex {
 public:
  HeldInstanceMutex() : handle_(CreateMutexA(nullptr, TRUE, "QX-R7000Utility")) {}
  ~HeldInstanceMutex() {
    ReleaseMutex(handle_);
    CloseHandle(handle_);
  }
  bool held() const { return handle_ != nullptr; }

 private:
  HANDLE handle_;
};

TEST(UtilityEntryWin32, SecondCopyShowsAlreadyRunningAndEndsWith101InEveryMode) {
  HeldInstanceMutex mutex;
  ASSERT_TRUE(mutex.held());
  for (const char* arguments : {"", " /norva", " /r7000 report"}) {
    WatchedRun run = RunAndAnswerMessageBox(Quoted(UtilityExe()) + arguments, "Error", kTimeoutMs);
    ASSERT_TRUE(run.started) << arguments;
    EXPECT_TRUE(run.ended) << arguments;
    EXPECT_TRUE(run.boxSeen) << "no error box for '" << arguments << "'";
    EXPECT_EQ(run.boxText, "This tool is already running.") << arguments;
    EXPECT_EQ(run.exitCode, 101u) << arguments;
  }
}

TEST(UtilityEntryWin32, OverLongLineEndsWith1001WithoutAnyWindow) {
  std::string line = Quoted(UtilityExe()) + " /r7000 " + std::string(261, 'x');
  WatchedRun run = RunAndAnswerMessageBox(line, "Error", kTimeoutMs);
  ASSERT_TRUE(run.started);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(run.exitCode, 1001u);
  EXPECT_FALSE(run.boxSeen);
  EXPECT_FALSE(run.otherWindowSeen);
}

// Wine reports the Windows version per program name: a copy of the utility under its own name is
// told it runs on Windows Server 2003 (5.2), leaving every other program of the prefix alone.
class Server2003Copy {
 public:
  Server2003Copy() : path_(ProgramFolder() + "R7000Utility_w2k3.exe") {
    CopyFileA(UtilityExe().c_str(), path_.c_str(), FALSE);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      static const char kVersion[] = "win2003";
      RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(kVersion), sizeof kVersion);
      RegCloseKey(key);
    }
  }
  ~Server2003Copy() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
    DeleteFileA(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\R7000Utility_w2k3.exe";
  std::string path_;
};

TEST(UtilityEntryWin32, Server2003IsRefusedWith102) {
  Server2003Copy copy;
  WatchedRun run = RunAndAnswerMessageBox(Quoted(copy.path()) + " /r7000 report", "Error", kTimeoutMs);
  ASSERT_TRUE(run.started);
  EXPECT_TRUE(run.ended);
  EXPECT_TRUE(run.boxSeen);
  EXPECT_EQ(run.boxText, "This OS is not supported.\nSupported OS are: Windows 2000/XP/Vista.");
  EXPECT_EQ(run.exitCode, 102u);
}

TEST(UtilityEntryWin32, SupportedWindowsPassesTheVersionRule) {
  // The prefix's own version (6.1) passes: the main window comes up, and Exit ends with 0.
  Program utility(Quoted(UtilityExe()) + " /norva");
  ASSERT_TRUE(utility.started());
  HWND main = WaitForWindow(utility.id(), "SplitMain Class", nullptr, kTimeoutMs);
  ASSERT_NE(main, nullptr);
  for (HWND w : ProcessWindows(utility.id())) EXPECT_NE(WindowText(w), "Error");
  PostMessageA(main, WM_COMMAND, 40003, 0);
  DWORD code = 9999;
  ASSERT_TRUE(utility.WaitForExit(kTimeoutMs, &code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace qx::test
