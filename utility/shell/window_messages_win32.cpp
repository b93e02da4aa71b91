#include <windows.h>

#include "utility/shell/result_message.h"
#include "utility/shell/window_commands_win32.h"

namespace qx {

void ShowError(HWND owner, const char* text) { MessageBoxA(owner, text, "Error", MB_OK | MB_ICONERROR); }

void ShowResult(HWND owner, int code) {
  char text[kMessageSize];
  if (ResultCodeMessage(code, text)) ShowError(owner, text);
}

}  // namespace qx
