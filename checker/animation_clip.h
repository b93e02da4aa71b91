#pragma once

#include <windows.h>

namespace qx::checker {

// Opens the program's animation clip in `clip`, plays it from the first frame to the last without
// end, and moves the control to the centre of `page`'s client area, keeping its size.
void StartClip(HWND page, HWND clip);
void StopClip(HWND clip);

}  // namespace qx::checker
