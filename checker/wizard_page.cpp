#include "checker/wizard_page.h"

#include "checker/wizard_sheet.h"

namespace qx::checker {

PROPSHEETPAGEW CWizardPage::Describe(CWizardSheet* sheet) {
  sheet_ = sheet;
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof page;
  page.dwFlags = PSP_DEFAULT | PSP_USEHEADERTITLE;
  page.hInstance = GetModuleHandleW(nullptr);
  page.pszTemplate = MAKEINTRESOURCEW(dialogId_);
  page.pfnDlgProc = DialogProc;
  page.lParam = reinterpret_cast<LPARAM>(this);
  page.pszHeaderTitle = headerTitle_;
  return page;
}

INT_PTR CALLBACK CWizardPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* page = reinterpret_cast<CWizardPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    page->window_ = window;
    page->sheet_->AttachWindow(GetParent(window));
    page->OnInitPage();
    return TRUE;
  }
  auto* page = reinterpret_cast<CWizardPage*>(GetWindowLongPtrW(window, DWLP_USER));
  if (page == nullptr) return FALSE;
  switch (message) {
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom == GetParent(window)) return page->OnSheetNotify(header);
      page->OnControlNotify(header);
      return FALSE;
    }
    case WM_PAINT:
      page->Paint();
      return TRUE;
    case WM_TIMER:
      page->OnTimer(wParam);
      return TRUE;
    case WM_COMMAND:
      page->OnCommand(LOWORD(wParam), HIWORD(wParam));
      return FALSE;
    case WM_DESTROY:
      page->window_ = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CWizardPage::OnSheetNotify(NMHDR* header) {
  LRESULT result = 0;
  switch (header->code) {
    case PSN_SETACTIVE:
      OnSetActive();
      break;
    case PSN_KILLACTIVE:
      OnKillActive();
      break;
    case PSN_WIZNEXT:
      result = OnWizardNext();
      break;
    case PSN_WIZBACK:
      result = OnWizardBack();
      break;
    default:
      return FALSE;
  }
  SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
  return TRUE;
}

// The dialog's own painting first (the page has no picture of its own), then the page's.
void CWizardPage::Paint() {
  PAINTSTRUCT paint;
  BeginPaint(window_, &paint);
  EndPaint(window_, &paint);
  OnPaint();
}

}  // namespace qx::checker
