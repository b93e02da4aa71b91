#pragma once

#include <windows.h>

namespace qx::checker {

// Draws a packed device-independent bitmap that the library left in global memory (header,
// colour table, rows) stretched over the whole client area of `frame`. A picture whose header,
// colour table or rows do not fit the memory block is not drawn.
void DrawPackedDib(void* packedDib, HWND frame);

}  // namespace qx::checker
