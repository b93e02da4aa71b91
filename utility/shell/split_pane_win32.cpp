#include "utility/shell/split_pane_win32.h"

#include <windowsx.h>

#include "resources/utility_resource.h"
#include "utility/shell/list_view_win32.h"
#include "utility/shell/main_frame_win32.h"
#include "utility/shell/split_layout.h"

namespace qx {

namespace {

constexpr int kDragNone = 0;
constexpr int kDragBottom = 1;
constexpr int kDragRight = 2;

SplitPane* PaneOf(HWND window) { return reinterpret_cast<SplitPane*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

SIZE ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return SIZE{r.right, r.bottom};
}

SIZE WindowSize(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

POINT PositionInMain(const SplitPane& pane, HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  POINT p{r.left, r.top};
  ScreenToClient(pane.main, &p);
  return p;
}

bool NearBottom(const SplitPane& pane, int y) { return pane.below != nullptr && y >= ClientSize(pane.window).cy - kSplitterSize; }
bool NearRight(const SplitPane& pane, int x) { return pane.right != nullptr && x >= ClientSize(pane.window).cx - kSplitterSize; }

void OnSetCursor(const SplitPane& pane) {
  POINT p{};
  GetCursorPos(&p);
  ScreenToClient(pane.window, &p);
  LPCSTR cursor = IDC_ARROW;
  if (NearBottom(pane, p.y)) cursor = IDC_SIZENS;
  else if (NearRight(pane, p.x)) cursor = IDC_SIZEWE;
  SetCursor(LoadCursorA(nullptr, cursor));
}

void OnButtonDown(SplitPane& pane, int x, int y) {
  SIZE size = ClientSize(pane.window);
  if (NearBottom(pane, y)) {
    pane.dragMode = kDragBottom;
    pane.grab = size.cy - y;
  } else if (pane.right != nullptr) {
    pane.dragMode = kDragRight;
    pane.grab = size.cx - x;
  }
  SetCapture(pane.window);
}

void OnDrag(SplitPane& pane, int x, int y) {
  SplitPane* neighbour = pane.dragMode == kDragRight ? pane.right : pane.below;
  if (neighbour == nullptr) return;
  SIZE own = WindowSize(pane.window);
  SIZE other = WindowSize(neighbour->window);
  POINT at = PositionInMain(pane, pane.window);
  LockWindowUpdate(pane.main);
  if (pane.dragMode == kDragRight) {
    PaneExtents e = DragSplitter(x, pane.grab, own.cx, other.cx);
    MoveWindow(pane.window, at.x, at.y, e.pane, own.cy, TRUE);
    MoveWindow(neighbour->window, at.x + e.pane, at.y, e.neighbour, other.cy, TRUE);
  } else {
    PaneExtents e = DragSplitter(y, pane.grab, own.cy, other.cy);
    MoveWindow(pane.window, at.x, at.y, own.cx, e.pane, TRUE);
    MoveWindow(neighbour->window, at.x, at.y + e.pane, other.cx, e.neighbour, TRUE);
  }
  LockWindowUpdate(nullptr);
  UpdateWindow(pane.main);
}

void OnSize(SplitPane& pane, int width, int height) {
  if (pane.child == nullptr) return;
  int w = width - (pane.right != nullptr ? kSplitterSize : 0);
  int h = height - (pane.below != nullptr ? kSplitterSize : 0);
  MoveWindow(pane.child, 0, 0, w < 0 ? 0 : w, h < 0 ? 0 : h, TRUE);
  // The list answers every size by fitting its "Value" column again.
  MainFrame* frame = FrameOf(pane.main);
  if (frame != nullptr && frame->list != nullptr && frame->list->Control() == pane.child) frame->list->FitValueColumn();
}

LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* bound = static_cast<SplitPane*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    bound->window = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bound));
  }
  SplitPane* pane = PaneOf(window);
  if (pane == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == window && LOWORD(lParam) == HTCLIENT) {
        OnSetCursor(*pane);
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN: OnButtonDown(*pane, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSEMOVE:
      if (pane->dragMode != kDragNone) OnDrag(*pane, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (pane->dragMode != kDragNone) {
        ReleaseCapture();
        pane->dragMode = kDragNone;
      }
      return 0;
    case WM_CAPTURECHANGED: pane->dragMode = kDragNone; return 0;
    case WM_SIZE: OnSize(*pane, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_KEYDOWN:
      if (wParam == VK_F5) SendMessageA(pane->main, WM_COMMAND, ID_GET_INFORMATION, 0);
      return 0;
    case WM_NOTIFY: return SendMessageA(pane->main, WM_NOTIFY, wParam, lParam);
    case WM_DESTROY:
      if (MainFrame* frame = FrameOf(pane->main); frame != nullptr) frame->running = 0;
      SendMessageA(pane->main, WM_DESTROY, 0, 0);
      pane->window = nullptr;
      return 0;
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterPane(HINSTANCE instance, const char* name) {
  WNDCLASSEXA c{};
  c.cbSize = sizeof c;
  c.style = CS_DBLCLKS;
  c.lpfnWndProc = PaneProc;
  c.hInstance = instance;
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  c.lpszClassName = name;
  return RegisterClassExA(&c) != 0;
}

}  // namespace

bool RegisterPaneClasses(HINSTANCE instance) {
  return RegisterPane(instance, kLeftPaneClass) && RegisterPane(instance, kRightPaneClass);
}

HWND CreatePane(const char* className, HWND main, SplitPane& pane, int x, int y, int width, int height) {
  return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width, height, main, nullptr,
                         GetModuleHandleA(nullptr), &pane);
}

}  // namespace qx
