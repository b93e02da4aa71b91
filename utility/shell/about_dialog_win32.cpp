// The About box (dialog 109), centred on the main window.
#include <windows.h>

#include "resources/utility_resource.h"
#include "utility/shell/main_frame_win32.h"
#include "utility/shell/window_commands_win32.h"

namespace qx {

namespace {

void CentreOnOwner(HWND dialog) {
  RECT owner{};
  RECT own{};
  GetWindowRect(GetWindow(dialog, GW_OWNER), &owner);
  GetWindowRect(dialog, &own);
  int x = owner.left + ((owner.right - owner.left) - (own.right - own.left)) / 2;
  int y = owner.top + ((owner.bottom - owner.top) - (own.bottom - own.top)) / 2;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CentreOnOwner(dialog);
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) EndDialog(dialog, IDOK);
      else if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowAbout(MainFrame& frame) {
  DialogBoxParamA(frame.instance, MAKEINTRESOURCEA(IDD_ABOUT), frame.window, AboutProc, 0);
}

}  // namespace qx
