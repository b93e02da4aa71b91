// The utility's Scanner Test end to end under Wine and Xvfb: the real R7000Utility.exe starts the
// real R7000Check.exe beside it, which loads the stand-in scanner library and scans a cheque from
// the same simulator the utility gathered from, while the utility waits disabled; when the
// checker ends, the utility is enabled, in front, and shows its "Device" rows again.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/sim/sim_fixture.h"
#include "tests/win32/checker_driver.h"
#include "tests/win32/remote_controls.h"
#include "tests/win32/ui_driver.h"

namespace qx::test {
namespace {

constexpr DWORD kWaitMs = 30000;
constexpr UINT kScannerTestCommand = 40005;
constexpr UINT kExitCommand = 40003;
constexpr int kNext = 0x3024;
constexpr int kFinish = 0x3025;
constexpr int kMicrTextEdit = 1003;
constexpr int kCanceledPage = 17;
const wchar_t kWizardTitle[] = L"QX-R7000 Operation Checker Ver.1.01";

bool CheckerMutexHeldByOther() {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "R7000Check");
  if (mutex == nullptr) return false;
  DWORD wait = WaitForSingleObject(mutex, 0);
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(mutex);
  CloseHandle(mutex);
  return wait == WAIT_TIMEOUT;
}

bool CheckerMutexExists() {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "R7000Check");
  if (mutex == nullptr) return false;
  CloseHandle(mutex);
  return true;
}

bool FirstRootSelected(HWND tree) {
  HTREEITEM selected = TreeView_GetSelection(tree);
  return selected != nullptr && selected == TreeView_GetRoot(tree);
}

std::vector<std::string> Items(const std::vector<ListLine>& lines) {
  std::vector<std::string> items;
  for (const ListLine& line : lines) items.push_back(line.item);
  return items;
}

class ScannerTestEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    UseWineWithoutWindowManager();
    std::string why;
    ASSERT_TRUE(simtest::FindRunningSim(&sim_, &why)) << why;
    ASSERT_TRUE(simtest::SimControlOk(sim_.control, "profile default.json"));
    ASSERT_TRUE(simtest::SimControlOk(sim_.control, "clear-log"));
    std::string address = "127.0.0.1:" + std::to_string(sim_.link.port);
    // The utility inherits the simulator's address and hands it on to the checker it starts.
    SetEnvironmentVariableA("QXR7000_SIM", address.c_str());
    SetEnvironmentVariableA("NORVASCAN_CALL_LOG", nullptr);
  }

  int ScansSeen() {
    int scans = 0;
    for (const std::string& line : simtest::SimControl(sim_.control, "log")) {
      // Lines read "log api 0 scan 1 font E13B pocket 34".
      if (line.find("api 0 scan ") != std::string::npos) ++scans;
    }
    return scans;
  }

  simtest::SimAddresses sim_{};
};

TEST_F(ScannerTestEndToEnd, TheUtilityWaitsDisabledWhileTheRealCheckerScans) {
  Program utility("\"" + ProgramFolder() + "R7000Utility.exe\" /norva");
  ASSERT_TRUE(utility.started());
  HWND main = WaitForWindow(utility.id(), "SplitMain Class", nullptr, kWaitMs);
  ASSERT_NE(main, nullptr);
  HWND tree = FindChild(main, WC_TREEVIEWA);
  HWND list = FindChild(main, WC_LISTVIEWA);
  ASSERT_NE(tree, nullptr);
  ASSERT_NE(list, nullptr);
  // The first gather ends with the first root ("Device") selected and the window enabled.
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) && FirstRootSelected(tree) && !ReadList(list).empty(); }, kWaitMs));
  Pause(500);
  std::vector<std::string> deviceRows = Items(ReadList(list));
  ASSERT_FALSE(deviceRows.empty());

  // Another category is shown while the checker runs.
  std::vector<TreeEntry> categories = ReadTree(tree);
  ASSERT_GT(categories.size(), 1u);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(categories[1].item));
  ASSERT_FALSE(FirstRootSelected(tree));

  PostMessageA(main, WM_COMMAND, kScannerTestCommand, 0);
  HWND wizard = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (wizard = FindWindowW(nullptr, kWizardTitle)) != nullptr; }, kWaitMs))
      << "the real checker's wizard never appeared";
  DWORD checkerId = 0;
  GetWindowThreadProcessId(wizard, &checkerId);
  ASSERT_NE(checkerId, utility.id());
  CheckerSession checker;
  ASSERT_TRUE(checker.Attach(checkerId));
  ASSERT_EQ(checker.WaitForWizard(kWaitMs), wizard);
  ASSERT_TRUE(checker.WaitForPage(0, kWaitMs));
  EXPECT_TRUE(CheckerMutexHeldByOther()) << "the utility holds the checker's mutex while it runs";
  EXPECT_FALSE(IsWindowEnabled(main));

  // The operation check's first scan, against the simulator the utility gathered from.
  ASSERT_TRUE(WaitUntil([&] { return checker.ButtonEnabled(kNext); }, kWaitMs));
  ASSERT_TRUE(checker.Click(kNext));
  ASSERT_TRUE(checker.WaitForPage(1, kWaitMs));
  ASSERT_TRUE(WaitUntil([&] { return checker.ButtonEnabled(kNext); }, kWaitMs));
  ASSERT_TRUE(checker.Click(kNext));
  ASSERT_TRUE(checker.WaitForPage(3, kWaitMs)) << "on page " << checker.ActivePage();
  EXPECT_EQ(checker.PageText(kMicrTextEdit), L"A021000021A 1234567890C 1001");
  EXPECT_EQ(ScansSeen(), 1);
  EXPECT_FALSE(IsWindowEnabled(main)) << "the utility stays disabled while the checker runs";

  // Cancel, confirmed, leads to the last page; Finish ends the checker.
  ASSERT_TRUE(checker.Click(IDCANCEL));
  CheckerSession::Box box;
  ASSERT_TRUE(checker.WaitForBox(&box, kWaitMs));
  EXPECT_TRUE(box.hasCancel);
  checker.Answer(box, IDOK);
  ASSERT_TRUE(checker.WaitForPage(kCanceledPage, kWaitMs)) << "on page " << checker.ActivePage();
  ASSERT_TRUE(WaitUntil([&] { return checker.ButtonVisible(kFinish) && checker.ButtonEnabled(kFinish); }, kWaitMs));
  ASSERT_TRUE(checker.Click(kFinish));
  DWORD checkerExit = 9999;
  ASSERT_TRUE(checker.WaitForExit(kWaitMs, &checkerExit));
  EXPECT_EQ(checkerExit, 0u);

  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, kWaitMs));
  Pause(300);
  EXPECT_EQ(GetForegroundWindow(), main);
  EXPECT_TRUE(FirstRootSelected(tree));
  EXPECT_EQ(Items(ReadList(list)), deviceRows);
  EXPECT_FALSE(CheckerMutexExists());

  PostMessageA(main, WM_COMMAND, kExitCommand, 0);
  DWORD utilityExit = 9999;
  EXPECT_TRUE(utility.WaitForExit(kWaitMs, &utilityExit));
  EXPECT_EQ(utilityExit, 0u);
}

}  // namespace
}  // namespace qx::test
