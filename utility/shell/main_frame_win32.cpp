#include "utility/shell/main_frame_win32.h"

#include <commctrl.h>

#include "resources/utility_resource.h"
#include "utility/shell/list_view_win32.h"
#include "utility/shell/split_layout.h"
#include "utility/shell/tree_view_win32.h"
#include "utility/shell/window_commands_win32.h"

namespace qx {

MainFrame::MainFrame() = default;
MainFrame::~MainFrame() = default;

namespace {

constexpr int kToolbarId = 1;
constexpr int kTreeId = 2;
constexpr int kListId = 3;
constexpr UINT_PTR kCheckerTimer = 0;

constexpr TBBUTTON Button(int image, int command) {
  return TBBUTTON{image, command, TBSTATE_ENABLED, TBSTYLE_BUTTON, {}, 0, 0};
}
constexpr TBBUTTON Separator() { return TBBUTTON{0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {}, 0, 0}; }

const TBBUTTON kNormalButtons[] = {Separator(), Button(0, ID_GET_INFORMATION), Button(1, ID_SCANNER_TEST),
                                   Separator(), Button(2, ID_ABOUT)};
const TBBUTTON kExtendedButtons[] = {Separator(),      Button(0, ID_FILE_OPEN),       Button(1, ID_FILE_SAVE),
                                     Separator(),      Button(2, ID_GET_INFORMATION), Button(3, ID_SCANNER_TEST),
                                     Separator(),      Button(4, ID_ABOUT)};

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

int ToolbarHeight(const MainFrame& frame) {
  RECT r{};
  GetWindowRect(frame.toolbar, &r);
  return Height(r);
}

void CentreOnParentOrWorkArea(HWND window) {
  RECT area{};
  HWND parent = GetParent(window);
  if (parent != nullptr) {
    GetClientRect(parent, &area);
    MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&area), 2);
  } else {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT own{};
  GetWindowRect(window, &own);
  SetWindowPos(window, nullptr, area.left + (Width(area) - Width(own)) / 2, area.top + (Height(area) - Height(own)) / 2,
               0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CreateToolbar(MainFrame& frame) {
  bool extended = frame.mode == kRunModeExtended;
  const TBBUTTON* buttons = extended ? kExtendedButtons : kNormalButtons;
  int count = extended ? static_cast<int>(std::size(kExtendedButtons)) : static_cast<int>(std::size(kNormalButtons));
  HWND toolbar = CreateToolbarEx(frame.window, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS, kToolbarId,
                                 extended ? 5 : 3, frame.instance,
                                 extended ? IDB_TOOLBAR_EXTENDED : IDB_TOOLBAR_NORMAL, buttons, count, 16, 16, 16, 16,
                                 sizeof(TBBUTTON));
  if (toolbar != nullptr) {
    SetWindowLongPtrA(toolbar, GWL_STYLE, GetWindowLongPtrA(toolbar, GWL_STYLE) | TBSTYLE_FLAT);
  }
  return toolbar;
}

HWND CreateControl(const char* className, DWORD style, SplitPane& pane, int id, int width, int height) {
  HWND control = CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE, className, "", WS_CHILD | WS_VISIBLE | style, 0,
                                 0, width, height, pane.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
  pane.child = control;
  return control;
}

bool OnCreate(MainFrame& frame) {
  CentreOnParentOrWorkArea(frame.window);
  InitCommonControls();
  frame.toolbar = CreateToolbar(frame);

  RECT client{};
  GetClientRect(frame.window, &client);
  int w = Width(client);
  int bigH = Height(client);
  int h = ToolbarHeight(frame);
  int leftWidth = w * 30 / 100;
  frame.left = SplitPane{nullptr, frame.window, nullptr, &frame.right, nullptr, 0, 0};
  frame.right = SplitPane{nullptr, frame.window, nullptr, nullptr, nullptr, 0, 0};
  if (CreatePane(kLeftPaneClass, frame.window, frame.left, 0, h, leftWidth, bigH - h) == nullptr ||
      CreatePane(kRightPaneClass, frame.window, frame.right, leftWidth, h, w - leftWidth, bigH - h) == nullptr) {
    return false;
  }
  HWND tree = CreateControl(WC_TREEVIEWA, TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                            frame.left, kTreeId, leftWidth - kSplitterSize, bigH);
  HWND list = CreateControl(WC_LISTVIEWA, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, frame.right, kListId,
                            w - leftWidth, bigH);
  if (tree == nullptr || list == nullptr) return false;
  frame.tree = std::make_unique<CTreeView>(tree, frame.mode);
  frame.list = std::make_unique<CListView>(list);
  frame.tree->Prepare(frame.instance);
  frame.list->Prepare(frame.instance);
  return true;
}

void OnSize(MainFrame& frame, LPARAM lParam) {
  if (frame.toolbar != nullptr) SendMessageA(frame.toolbar, WM_SIZE, 0, lParam);
  if (frame.left.window == nullptr || frame.right.window == nullptr) return;
  int w = LOWORD(lParam);
  int bigH = HIWORD(lParam);
  int h = ToolbarHeight(frame);
  RECT left{};
  GetWindowRect(frame.left.window, &left);
  int leftWidth = Width(left);
  MoveWindow(frame.left.window, 0, h, leftWidth, bigH - h, TRUE);
  MoveWindow(frame.right.window, leftWidth, h, RightPaneExtent(w, leftWidth), bigH - h, TRUE);
}

void OnPaint(MainFrame& frame) {
  // Validating is what stops Windows from sending the paint again.
  PAINTSTRUCT paint;
  BeginPaint(frame.window, &paint);
  EndPaint(frame.window, &paint);
  if (!FirstRunDone() && !Gathering()) SendMessageA(frame.window, WM_COMMAND, ID_GET_INFORMATION, 0);
}

void SizeAgain(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(Width(r), Height(r)));
}

LRESULT OnNotify(MainFrame& frame, NMHDR* header) {
  switch (header->code) {
    case TTN_GETDISPINFOA: {
      auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
      UINT_PTR id = header->idFrom;
      if (id == ID_FILE_OPEN || id == ID_FILE_SAVE || id == ID_GET_INFORMATION || id == ID_SCANNER_TEST || id == ID_ABOUT) {
        info->hinst = frame.instance;
        info->lpszText = MAKEINTRESOURCEA(id);
      }
      return 0;
    }
    case TTN_GETDISPINFOW: {
      auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
      UINT_PTR id = header->idFrom;
      if (id == ID_FILE_OPEN || id == ID_FILE_SAVE || id == ID_GET_INFORMATION || id == ID_SCANNER_TEST || id == ID_ABOUT) {
        info->hinst = frame.instance;
        info->lpszText = MAKEINTRESOURCEW(id);
      }
      return 0;
    }
    case TVN_KEYDOWN:
      if (reinterpret_cast<NMTVKEYDOWN*>(header)->wVKey == VK_F5) SendMessageA(frame.window, WM_COMMAND, ID_GET_INFORMATION, 0);
      return 0;
    case LVN_KEYDOWN:
      if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_F5) SendMessageA(frame.window, WM_COMMAND, ID_GET_INFORMATION, 0);
      return 0;
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW:
      SizeAgain(frame.left.window);
      SizeAgain(frame.right.window);
      return 0;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
      ShowSelectedRows(frame);
      return 0;
    default:
      return 0;
  }
}

void OnCommand(MainFrame& frame, int command) {
  switch (command) {
    case ID_FILE_OPEN: OpenSettingFile(frame); break;
    case ID_FILE_SAVE: SaveSettingFile(frame); break;
    case ID_FILE_EXIT:
      frame.running = 0;
      SendMessageA(frame.window, WM_DESTROY, 0, 0);
      break;
    case ID_GET_INFORMATION: GetInformation(frame); break;
    case ID_SCANNER_TEST: ScannerTest(frame); break;
    case ID_ABOUT: ShowAbout(frame); break;
    default: break;
  }
}

void OnDestroy(MainFrame& frame) {
  // Exit and closing reach the window inside the progress dialog's loop too.
  WaitForGatherToEnd();
  frame.tree.reset();
  frame.list.reset();
  PostQuitMessage(0);
}

}  // namespace

MainFrame* FrameOf(HWND window) { return reinterpret_cast<MainFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

void ShowSelectedRows(MainFrame& frame) {
  if (frame.tree != nullptr && frame.list != nullptr) frame.list->Fill(frame.tree->SelectedRows());
}

LRESULT CALLBACK MainFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    auto* frame = static_cast<MainFrame*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    frame->window = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame));
    return OnCreate(*frame) ? 0 : -1;
  }
  MainFrame* frame = FrameOf(window);
  if (frame == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_SIZE: OnSize(*frame, lParam); return 0;
    case WM_PAINT: OnPaint(*frame); return 0;
    case WM_NOTIFY: return OnNotify(*frame, reinterpret_cast<NMHDR*>(lParam));
    case WM_KEYDOWN:
      if (wParam == VK_F5) SendMessageA(window, WM_COMMAND, ID_GET_INFORMATION, 0);
      return 0;
    case WM_ACTIVATE:
      if (CheckerRunning(*frame)) return 0;
      break;
    case WM_TIMER:
      if (wParam == kCheckerTimer) WatchChecker(*frame);
      return 0;
    case WM_COMMAND: OnCommand(*frame, LOWORD(wParam)); return 0;
    case WM_DESTROY: OnDestroy(*frame); return 0;
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace qx
