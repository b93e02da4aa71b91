#include "utility/shell/split_layout.h"

namespace qx {

PaneExtents DragSplitter(int pointer, int grab, int pane, int neighbour) {
  int combined = pane + neighbour;
  PaneExtents out{pointer + grab, 0};
  if (out.pane < kSplitterSize) out.pane = kSplitterSize;
  out.neighbour = combined - out.pane;
  if (out.neighbour < kSplitterSize) {
    out.neighbour = kSplitterSize;
    out.pane = combined < 2 * kSplitterSize ? kSplitterSize : combined - kSplitterSize;
  }
  return out;
}

int RightPaneExtent(int width, int left) { return width - left < 0 ? 0 : width - left; }

}  // namespace qx
