// Get Information: the gather runs on a worker thread while the window thread waits in the modal
// "Getting information..." dialog, which closes when the thread has ended.
#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include "resources/utility_resource.h"
#include "utility/shell/main_frame_win32.h"
#include "utility/shell/result_code.h"
#include "utility/shell/tree_view_win32.h"
#include "utility/shell/window_commands_win32.h"

namespace qx {

namespace {

// Process-wide, as there is one main window.
bool gathering = false;
bool firstRunDone = false;
HANDLE gatherThread = nullptr;  // the running worker, owned by GetInformation

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMs = 100;

struct GatherJob {
  InfoDocument* document;
  RunMode mode;
};

unsigned __stdcall GatherThread(void* context) {
  auto* job = static_cast<GatherJob*>(context);
  return static_cast<unsigned>(job->document->Gather(job->mode));
}

struct ProgressState {
  HANDLE thread;
  HWND animation;
};

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

void CentreOverOwner(HWND dialog) {
  RECT owner{};
  RECT own{};
  GetWindowRect(GetWindow(dialog, GW_OWNER), &owner);
  GetWindowRect(dialog, &own);
  SetWindowPos(dialog, nullptr, owner.left + (Width(owner) - Width(own)) / 2,
               owner.top + (Height(owner) - Height(own)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreInClient(HWND dialog, HWND child) {
  RECT client{};
  RECT own{};
  GetClientRect(dialog, &client);
  GetWindowRect(child, &own);
  SetWindowPos(child, nullptr, (client.right - Width(own)) / 2, (client.bottom - Height(own)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ThreadEnded(HANDLE thread) { return WaitForSingleObject(thread, 0) != WAIT_TIMEOUT; }

BOOL OnInitDialog(HWND dialog, HANDLE thread) {
  if (thread == nullptr) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  auto* state = new ProgressState{thread, nullptr};
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  InitCommonControls();
  SetTimer(dialog, kPollTimer, kPollMs, nullptr);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  state->animation = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | WS_VISIBLE | ACS_TRANSPARENT, 20, 20, 0, 0,
                                     dialog, nullptr, instance, nullptr);
  if (state->animation != nullptr) {
    SendMessageA(state->animation, ACM_OPENA, reinterpret_cast<WPARAM>(instance),
                 reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_AVI_GETTING_INFORMATION)));
  }
  CentreOverOwner(dialog);
  if (state->animation != nullptr) CentreInClient(dialog, state->animation);
  return TRUE;
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog(dialog, reinterpret_cast<HANDLE>(lParam));
  auto* state = reinterpret_cast<ProgressState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_PAINT:
      if (state->animation != nullptr) Animate_Play(state->animation, 0, -1, -1);
      return FALSE;  // the dialog's own painting validates
    case WM_TIMER:
      if (wParam == kPollTimer && ThreadEnded(state->thread)) EndDialog(dialog, 1);
      return TRUE;
    case WM_COMMAND:
      return TRUE;  // nobody closes it but the thread's end
    case WM_DESTROY:
      KillTimer(dialog, kPollTimer);
      if (state->animation != nullptr) Animate_Close(state->animation);
      SetWindowLongPtrA(dialog, DWLP_USER, 0);
      delete state;
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

bool FirstRunDone() { return firstRunDone; }
bool Gathering() { return gathering; }

void WaitForGatherToEnd() {
  if (gatherThread == nullptr) return;
  // The worker's own calls into the window (a node's error box) are answered while it runs.
  while (MsgWaitForMultipleObjects(1, &gatherThread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void GetInformation(MainFrame& frame) {
  if (frame.tree == nullptr) return;
  gathering = true;
  GatherJob job{&frame.tree->Document(), frame.mode};
  auto thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, GatherThread, &job, 0, nullptr));
  gatherThread = thread;
  DialogBoxParamA(frame.instance, MAKEINTRESOURCEA(IDD_GETTING_INFORMATION), frame.window, ProgressDialogProc,
                  reinterpret_cast<LPARAM>(thread));
  // A worker that could not be started is reported like a failed read: "Execute Get Information again".
  DWORD code = kResultReadFailed;
  if (thread != nullptr) {
    while (!ThreadEnded(thread)) Sleep(1);
    GetExitCodeThread(thread, &code);
    gatherThread = nullptr;
    CloseHandle(thread);
  }
  // Exit or closing during the gather destroyed the document after the worker's end: nothing is
  // left to report on.
  if (frame.tree == nullptr) {
    gathering = false;
    firstRunDone = true;
    return;
  }
  int result = static_cast<int>(code);
  if (result != kResultNoScanner || firstRunDone) ShowResult(frame.window, result);
  frame.tree->SelectFirstRoot();
  gathering = false;
  firstRunDone = true;
}

}  // namespace qx
