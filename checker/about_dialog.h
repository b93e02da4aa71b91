#pragma once

#include <windows.h>

namespace qx::checker {

// The About box (dialog 100), modal; OK closes it.
void ShowAboutBox(HWND owner);

}  // namespace qx::checker
