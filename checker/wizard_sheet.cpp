#include "checker/wizard_sheet.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <vector>

#include "checker/wizard_page.h"

namespace qx::checker {

namespace {

// The header structure of the Wizard 97 sheets (the version with header and watermark bitmaps).
static_assert(sizeof(PROPSHEETHEADERW) == 52, "the 52-byte property sheet header");

// PropertySheetW's callback carries no context; the sheet being created is the one in this
// process's single modal run.
CWizardSheet* g_creating = nullptr;

const wchar_t kSheetProperty[] = L"QxWizardSheet";

// Posted by the creation callback: the sheet's own initialisation (title, buttons, first page)
// has ended when it arrives, so the owner's finishing touches are not overwritten.
constexpr UINT kSheetInitialized = WM_APP + 1;

}  // namespace

INT_PTR CWizardSheet::RunModal(CWizardPage* const* pages, int count, int headerBitmapId, const wchar_t* title) {
  std::vector<PROPSHEETPAGEW> descriptions;
  descriptions.reserve(count);
  for (int i = 0; i < count; ++i) descriptions.push_back(pages[i]->Describe(this));

  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_WIZARD97 | PSH_HEADER | PSH_WATERMARK | PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_USEHBMHEADER;
  header.hwndParent = nullptr;
  header.hInstance = GetModuleHandleW(nullptr);
  header.pszCaption = title;
  header.nPages = static_cast<UINT>(count);
  header.nStartPage = 0;
  header.ppsp = descriptions.data();
  header.pfnCallback = SheetCallback;
  // Handed over loaded: the sheet draws a header bitmap given by handle, where it may not find one
  // given by resource id (Wine's does not). The handle stays ours.
  HBITMAP headerBitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(headerBitmapId));
  header.hbmHeader = headerBitmap;

  g_creating = this;
  INT_PTR result = PropertySheetW(&header);
  g_creating = nullptr;
  window_ = nullptr;
  if (headerBitmap != nullptr) DeleteObject(headerBitmap);
  return result;
}

int CALLBACK CWizardSheet::SheetCallback(HWND window, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED && g_creating != nullptr) {
    CWizardSheet* sheet = g_creating;
    sheet->window_ = window;
    SetPropW(window, kSheetProperty, sheet);
    sheet->sheetProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    PostMessageW(window, kSheetInitialized, 0, 0);
  }
  return 0;
}

LRESULT CALLBACK CWizardSheet::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* sheet = static_cast<CWizardSheet*>(GetPropW(window, kSheetProperty));
  switch (message) {
    case kSheetInitialized:
      sheet->OnInitialized();
      return 0;
    case WM_COMMAND:
      if (sheet->OnCommand(LOWORD(wParam))) return 0;
      break;
    case WM_SYSCOMMAND:
      if (sheet->OnSysCommand(wParam)) return 0;
      break;
    case WM_NCDESTROY: {
      WNDPROC proc = sheet->sheetProc_;
      RemovePropW(window, kSheetProperty);
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
      return CallWindowProcW(proc, window, message, wParam, lParam);
    }
    default:
      break;
  }
  return sheet->CallSheet(message, wParam, lParam);
}

LRESULT CWizardSheet::CallSheet(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(sheetProc_, window_, message, wParam, lParam);
}

void CWizardSheet::SetActivePage(int index) { PropSheet_SetCurSel(window_, nullptr, index); }

int CWizardSheet::GetActiveIndex() const {
  return static_cast<int>(PropSheet_HwndToIndex(window_, PropSheet_GetCurrentPageHwnd(window_)));
}

void CWizardSheet::SetWizardButtons(DWORD buttons) { PropSheet_SetWizButtons(window_, buttons); }

void CWizardSheet::EnableSheetButton(int id, bool enable) { EnableWindow(GetDlgItem(window_, id), enable); }

bool CWizardSheet::IsFinishVisible() const {
  return IsWindowVisible(GetDlgItem(window_, kFinishButtonId)) != FALSE;
}

}  // namespace qx::checker
