// The main job's window demonstration: starts R7000Utility.exe in Extended mode, waits until its
// automatic first Get Information has ended, saves a screenshot of the screen, and ends the
// program with Exit.  window_demo.exe UTILITY_EXE PNG_PATH; exits with the utility's exit code, or
// 2 when the window did not come up or the screenshot could not be saved.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "tests/win32/screen_png.h"
#include "tests/win32/ui_driver.h"

namespace {

constexpr DWORD kWaitMs = 60000;

bool ProgressShown(DWORD processId) {
  for (HWND w : qx::test::ProcessWindows(processId)) {
    if (qx::test::WindowText(w) == "Getting information...") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: window_demo.exe UTILITY_EXE PNG_PATH\n");
    return 2;
  }
  qx::test::UseWineWithoutWindowManager();
  std::string line = "\"";
  line.append(argv[1]).append("\" /norva");
  qx::test::Program utility(line);
  HWND main = utility.started() ? qx::test::WaitForWindow(utility.id(), "SplitMain Class", nullptr, kWaitMs) : nullptr;
  if (main == nullptr) {
    std::fprintf(stderr, "window demo: the main window did not appear\n");
    return 2;
  }
  HWND tree = qx::test::FindChild(main, WC_TREEVIEWA);
  // The first gather has ended when its dialog is gone and the first root is selected again.
  DWORD start = GetTickCount();
  while (GetTickCount() - start < kWaitMs) {
    HTREEITEM selected = TreeView_GetSelection(tree);
    if (!ProgressShown(utility.id()) && selected != nullptr && selected == TreeView_GetRoot(tree)) break;
    Sleep(20);
  }
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(TreeView_GetRoot(tree)));
  qx::test::Pause(500);
  bool saved = qx::test::SaveScreenPng(argv[2]);
  std::printf("window demo: screenshot %s\n", saved ? argv[2] : "could not be saved");
  PostMessageA(main, WM_COMMAND, 40003, 0);  // Exit
  DWORD code = 9999;
  if (!utility.WaitForExit(kWaitMs, &code)) std::fprintf(stderr, "window demo: the utility did not end\n");
  std::printf("window demo: R7000Utility.exe ended with %lu\n", static_cast<unsigned long>(code));
  return saved ? static_cast<int>(code) : 2;
}
