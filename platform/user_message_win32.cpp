#include "platform/user_message.h"

#include <windows.h>

namespace qx::platform {

void ShowErrorMessage(const char* text) { MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR); }

}  // namespace qx::platform
