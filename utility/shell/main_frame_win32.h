#pragma once

#include <windows.h>

#include <memory>

#include "utility/shell/run_mode.h"
#include "utility/shell/split_pane_win32.h"

namespace qx {

class CTreeView;
class CListView;

// The one main window of the process: its frame, toolbar, the two panes with their tree and list,
// and the checker it started. Reached from the main window's user data.
struct MainFrame {
  MainFrame();
  ~MainFrame();

  HINSTANCE instance = nullptr;
  RunMode mode = kRunModeNormal;
  HWND window = nullptr;
  MSG message{};
  int running = 1;  // 1 while the message loop may continue
  std::unique_ptr<CTreeView> tree;
  std::unique_ptr<CListView> list;
  HWND toolbar = nullptr;
  SplitPane left{};
  SplitPane right{};
  HANDLE checkerMutex = nullptr;    // none while no checker was started
  HANDLE checkerProcess = nullptr;  // none while no checker runs
};

inline constexpr char kMainWindowClass[] = "SplitMain Class";

// The window procedure of "SplitMain Class"; the frame comes in CreateWindow's parameter.
LRESULT CALLBACK MainFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The frame of a main window, or null.
MainFrame* FrameOf(HWND window);

// Replaces the list's rows with those of the tree's selected item.
void ShowSelectedRows(MainFrame& frame);

}  // namespace qx
