#pragma once

namespace qx {

// Width (or height) of the splitter strip along a pane's right (or bottom) edge, in pixels.
inline constexpr int kSplitterSize = 4;

struct PaneExtents {
  int pane;       // the dragged pane's new width (or height)
  int neighbour;  // its neighbour's new width (or height)
};

// Where a splitter drag puts the two panes: the pane ends at the pointer plus the distance at which
// the strip was grabbed, never below one strip; the neighbour takes the rest of their combined
// extent but keeps one strip itself, unless the two together are narrower than two strips.
PaneExtents DragSplitter(int pointer, int grab, int pane, int neighbour);

// The extent of the right pane beside a left pane of `left` in a client of `width`; never below 0.
int RightPaneExtent(int width, int left);

}  // namespace qx
