#pragma once

#include <windows.h>

namespace qx {

// One pane of the main window's split view: a window holding one control, with a splitter strip
// along the edges it shares with a neighbour. The pane window keeps a pointer to it in its user data.
struct SplitPane {
  HWND window = nullptr;
  HWND main = nullptr;
  HWND child = nullptr;        // the control it holds
  SplitPane* right = nullptr;  // neighbour to the right, or none
  SplitPane* below = nullptr;  // neighbour below, or none
  int dragMode = 0;            // 0 none, 1 bottom strip, 2 right strip
  int grab = 0;                // distance from the pointer to the grabbed edge
};

inline constexpr char kLeftPaneClass[] = "Left Base";
inline constexpr char kRightPaneClass[] = "Right Base";

// Registers "Left Base" and "Right Base"; false when either fails.
bool RegisterPaneClasses(HINSTANCE instance);

// Creates a visible pane window at the given place in `main`, bound to `pane`; null on failure.
HWND CreatePane(const char* className, HWND main, SplitPane& pane, int x, int y, int width, int height);

}  // namespace qx
