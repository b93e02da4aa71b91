#pragma once

#include <windows.h>

namespace qx::checker {

class CWizardPage;

// Wizard buttons that a page enables (PSWIZB_BACK, PSWIZB_NEXT, PSWIZB_FINISH; 0 for none).
enum WizardButton : DWORD { kButtonBack = 1, kButtonNext = 2, kButtonFinish = 4 };

// The wizard frame: a Wizard 97 property sheet with a header bitmap over PropertySheetW, run
// modally, with its window subclassed so that the owner sees the sheet's commands and system
// commands first. It holds pointers to the pages; the pages are the owner's.
class CWizardSheet {
 public:
  // The sheet's control ids of its wizard buttons.
  static constexpr int kBackButtonId = 0x3023;
  static constexpr int kNextButtonId = 0x3024;
  static constexpr int kFinishButtonId = 0x3025;

  CWizardSheet() = default;
  virtual ~CWizardSheet() = default;
  CWizardSheet(const CWizardSheet&) = delete;
  CWizardSheet& operator=(const CWizardSheet&) = delete;

  // Shows the sheet modally with `pages` in their order, the first page active; returns when the
  // sheet has ended (PropertySheetW's result).
  INT_PTR RunModal(CWizardPage* const* pages, int count, int headerBitmapId, const wchar_t* title);

  // Navigation services for the pages.
  void SetActivePage(int index);
  int GetActiveIndex() const;
  void SetWizardButtons(DWORD buttons);
  void EnableSheetButton(int id, bool enable);
  bool IsFinishVisible() const;

  HWND Window() const { return window_; }
  // A page learns the sheet's window when its own is created, which may come before the sheet's
  // initialisation callback.
  void AttachWindow(HWND window) {
    if (window_ == nullptr) window_ = window;
  }

 protected:
  // The sheet's window exists and its own initialisation has run (called once, from its queue).
  virtual void OnInitialized() {}
  // WM_COMMAND and WM_SYSCOMMAND of the sheet; true when handled, false for the sheet's own.
  virtual bool OnCommand(int /*id*/) { return false; }
  virtual bool OnSysCommand(WPARAM /*command*/) { return false; }

  // The sheet's own handling of a message, bypassing the owner.
  LRESULT CallSheet(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  WNDPROC sheetProc_ = nullptr;
};

}  // namespace qx::checker
