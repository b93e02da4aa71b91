// R7000Check's start-up checks, seen from outside: which message box comes and whether a wizard
// follows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/win32/checker_driver.h"
#include "tests/win32/ui_driver.h"

namespace qx::test {
namespace {

constexpr DWORD kTimeoutMs = 60000;

std::string CheckerExe() { return ProgramFolder() + "R7000Check.exe"; }

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n > 1) {
    out.resize(static_cast<std::size_t>(n - 1));
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  }
  return out;
}

// The utility holds this mutex while the checker runs.
class UtilityMutex {
 public:
  UtilityMutex() : handle_(CreateMutexW(nullptr, TRUE, L"R7000Check")) {}
  ~UtilityMutex() {
    ReleaseMutex(handle_);
    CloseHandle(handle_);
  }

 private:
  HANDLE handle_;
};

// Runs the checker and answers the first message box; says what it showed.
struct StartOutcome {
  bool ended = false;
  bool wizardShown = false;
  std::wstring boxText;
};

StartOutcome RunUntilEnd(const std::string& exe) {
  StartOutcome outcome;
  CheckerSession session;
  if (!session.Start(exe)) return outcome;
  CheckerSession::Box box;
  if (session.WaitForBox(&box, kTimeoutMs)) {
    outcome.boxText = box.text;
    outcome.wizardShown = session.WaitForWizard(0) != nullptr;
    session.Answer(box, IDOK);
  }
  outcome.ended = session.WaitForExit(kTimeoutMs);
  return outcome;
}

TEST(CheckerStartup, WithoutTheUtilitysMutexShows117AndNoWizard) {
  StartOutcome outcome = RunUntilEnd(CheckerExe());
  EXPECT_TRUE(outcome.ended);
  EXPECT_FALSE(outcome.wizardShown);
  EXPECT_EQ(ToUtf8(outcome.boxText),
            "To check the operation of the QX-R7000 or to clean the MICR unit of the QX-R7000, run QX-R7000 Utility.");
}

// A copy of the checker under its own name, told by Wine that it runs on Windows Server 2003.
class RenamedCopy {
 public:
  RenamedCopy(const std::string& folder, const std::string& name, const char* windowsVersion)
      : folder_(folder), path_(folder + name), key_(std::string("Software\\Wine\\AppDefaults\\") + name) {
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyFileA(CheckerExe().c_str(), path_.c_str(), FALSE);
    if (windowsVersion != nullptr) {
      HKEY key = nullptr;
      if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(windowsVersion),
                       static_cast<DWORD>(strlen(windowsVersion) + 1));
        RegCloseKey(key);
      }
    }
  }
  ~RenamedCopy() {
    RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
    DeleteFileA(path_.c_str());
    RemoveDirectoryA(folder_.c_str());  // only an emptied folder of its own goes
  }
  const std::string& path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
  std::string key_;
};

TEST(CheckerStartup, Windows52IsRefusedWith110EvenWithTheMutex) {
  UtilityMutex mutex;
  RenamedCopy copy(ProgramFolder(), "R7000Check_w2k3.exe", "win2003");
  StartOutcome outcome = RunUntilEnd(copy.path());
  EXPECT_TRUE(outcome.ended);
  EXPECT_FALSE(outcome.wizardShown);
  EXPECT_EQ(ToUtf8(outcome.boxText), "This OS is not supported.\nSupported OS are: Windows 2000/XP/Vista. ");
}

TEST(CheckerStartup, WithoutTheScannerLibraryShows107BeforeAnyPage) {
  UtilityMutex mutex;
  // A folder of its own, without NorvaScanApiWrapper.dll beside the program.
  RenamedCopy copy(ProgramFolder() + "no-library\\", "R7000Check.exe", nullptr);
  StartOutcome outcome = RunUntilEnd(copy.path());
  EXPECT_TRUE(outcome.ended);
  EXPECT_FALSE(outcome.wizardShown);
  EXPECT_EQ(ToUtf8(outcome.boxText), "Failed to load \"NorvaScanApiWrapper.dll.\"");
}

// GetVersionEx would report a newer Windows to a program whose manifest declares it, and the
// start-up rule refuses those.
TEST(CheckerStartup, TheProgramCarriesItsPicturesAndNoManifest) {
  HMODULE program = LoadLibraryExA(CheckerExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)), nullptr);
  EXPECT_NE(FindResourceA(program, MAKEINTRESOURCEA(100), MAKEINTRESOURCEA(5)), nullptr) << "About box";
  EXPECT_NE(FindResourceA(program, MAKEINTRESOURCEA(133), "AVI"), nullptr) << "animation clip";
  for (int icon : {128, 156, 158, 159}) {
    for (int size : {16, 32}) {
      HANDLE picture = LoadImageA(program, MAKEINTRESOURCEA(icon), IMAGE_ICON, size, size, 0);
      EXPECT_NE(picture, nullptr) << "icon " << icon << " at " << size;
      if (picture != nullptr) DestroyIcon(static_cast<HICON>(picture));
    }
  }
  for (int bitmap : {129, 143, 144}) {
    HANDLE picture = LoadImageA(program, MAKEINTRESOURCEA(bitmap), IMAGE_BITMAP, 0, 0, 0);
    EXPECT_NE(picture, nullptr) << "bitmap " << bitmap;
    if (picture != nullptr) DeleteObject(picture);
  }
  FreeLibrary(program);
}

}  // namespace
}  // namespace qx::test
