// Scanner Test: a normal gather, then the operation checker beside the utility, which the window
// waits for with its own input disabled, polling the checker's process every 10 ms.
#include <windows.h>
#include <shellapi.h>

#include "platform/string_table.h"
#include "utility/shell/main_frame_win32.h"
#include "utility/shell/result_code.h"
#include "utility/shell/tree_view_win32.h"
#include "utility/shell/window_commands_win32.h"
#include "utility/shell/window_paths.h"

namespace qx {

namespace {

constexpr UINT_PTR kCheckerTimer = 0;
constexpr UINT kCheckerPollMs = 10;
constexpr int kStringCheckerMissing = 45;
constexpr char kCheckerMutex[] = "R7000Check";

void ShowCheckerMissing(HWND owner) {
  char text[128];
  platform::LoadUtilityString(kStringCheckerMissing, text, sizeof text);
  MessageBoxA(owner, text, "Error", MB_OK);
}

// Brings the window to the front although another program had the foreground: this thread's input
// is joined to the foreground window's for the moment, with the foreground lock time-out at zero.
void BringToFront(HWND window) {
  DWORD own = GetCurrentThreadId();
  DWORD foreground = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  bool attached = foreground != 0 && foreground != own && AttachThreadInput(own, foreground, TRUE);
  DWORD saved = 0;
  SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved, 0);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, nullptr, 0);
  SetForegroundWindow(window);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(saved)), 0);
  if (attached) AttachThreadInput(own, foreground, FALSE);
}

}  // namespace

bool CheckerRunning(const MainFrame& frame) {
  return frame.checkerProcess != nullptr && WaitForSingleObject(frame.checkerProcess, 0) == WAIT_TIMEOUT;
}

void ScannerTest(MainFrame& frame) {
  if (frame.tree == nullptr) return;
  int result = frame.tree->Document().NormalGather();
  if (result != kResultSuccess) {
    ShowResult(frame.window, result);
    return;
  }
  char program[kPathSize] = "";
  DWORD n = GetModuleFileNameA(nullptr, program, sizeof program);
  char checker[kPathSize] = "";
  if (n == 0 || n >= sizeof program || !CheckerPathBeside(program, checker, sizeof checker) ||
      GetFileAttributesA(checker) == INVALID_FILE_ATTRIBUTES) {
    ShowCheckerMissing(frame.window);
    return;
  }
  HANDLE mutex = CreateMutexA(nullptr, TRUE, kCheckerMutex);
  if (mutex == nullptr) return;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // The creation gave no ownership; releasing here would drop the hold the utility keeps for its
    // running checker, so only the handle is closed.
    CloseHandle(mutex);
    return;
  }
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NO_CONSOLE;
  execute.hwnd = frame.window;
  execute.lpVerb = "open";
  execute.lpFile = checker;
  execute.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExA(&execute) || execute.hProcess == nullptr) {
    // Held on, the mutex would make every later Scanner Test end silently.
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return;
  }
  frame.checkerMutex = mutex;
  frame.checkerProcess = execute.hProcess;
  SetTimer(frame.window, kCheckerTimer, kCheckerPollMs, nullptr);
  EnableWindow(frame.window, FALSE);
}

void WatchChecker(MainFrame& frame) {
  if (frame.checkerProcess == nullptr) {
    KillTimer(frame.window, kCheckerTimer);
    return;
  }
  if (WaitForSingleObject(frame.checkerProcess, kCheckerPollMs) == WAIT_TIMEOUT) return;
  EnableWindow(frame.window, TRUE);
  BringToFront(frame.window);
  KillTimer(frame.window, kCheckerTimer);
  CloseHandle(frame.checkerProcess);
  frame.checkerProcess = nullptr;
  if (frame.tree != nullptr) frame.tree->SelectFirstRoot();
  ReleaseMutex(frame.checkerMutex);
  CloseHandle(frame.checkerMutex);
  frame.checkerMutex = nullptr;
}

}  // namespace qx
