#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

namespace qx::checker {

class CWizardSheet;

// One page of the wizard: a dialog template and a header title, and virtual handlers that the
// page's dialog procedure calls for the sheet's notifications and the page's own messages.
// `this` travels in PROPSHEETPAGEW.lParam and is kept in the page window's DWLP_USER.
class CWizardPage {
 public:
  // The answers of OnWizardNext and OnWizardBack.
  static constexpr LRESULT kMoveOn = 0;  // the sheet moves to the following / preceding index
  static constexpr LRESULT kStay = -1;   // stay, or the handler has made another page active

  CWizardPage(int dialogId, const wchar_t* headerTitle) : dialogId_(dialogId), headerTitle_(headerTitle) {}
  virtual ~CWizardPage() = default;
  CWizardPage(const CWizardPage&) = delete;
  CWizardPage& operator=(const CWizardPage&) = delete;

  // The page's description for PropertySheetW; the sheet passed to the page's services.
  PROPSHEETPAGEW Describe(CWizardSheet* sheet);

  HWND Window() const { return window_; }

 protected:
  // First creation of the page's window (WM_INITDIALOG).
  virtual void OnInitPage() {}
  // The page becomes active (PSN_SETACTIVE).
  virtual void OnSetActive() {}
  // The page stops being active (PSN_KILLACTIVE); the sheet moves on.
  virtual void OnKillActive() {}
  virtual LRESULT OnWizardNext() { return kMoveOn; }
  virtual LRESULT OnWizardBack() { return kMoveOn; }
  // WM_PAINT after the dialog's own painting.
  virtual void OnPaint() {}
  virtual void OnTimer(UINT_PTR /*id*/) {}
  virtual void OnCommand(int /*controlId*/, int /*code*/) {}
  // WM_NOTIFY from a control of the page (not from the sheet).
  virtual void OnControlNotify(NMHDR* /*header*/) {}

  CWizardSheet& Sheet() const { return *sheet_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnSheetNotify(NMHDR* header);
  void Paint();

  int dialogId_;
  const wchar_t* headerTitle_;
  CWizardSheet* sheet_ = nullptr;
  HWND window_ = nullptr;
};

}  // namespace qx::checker
