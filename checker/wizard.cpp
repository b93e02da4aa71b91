#include "checker/wizard.h"

#include "checker/about_dialog.h"
#include "checker/messages.h"
#include "checker/page_index.h"
#include "resources/checker_ids.h"

namespace qx::checker {

namespace {
constexpr wchar_t kTitle[] = L"QX-R7000 Operation Checker Ver.1.01";
}

CWizard::CWizard()
    : start_(&scanner_),
      check1_(&scanner_),
      check2_(&scanner_),
      check3_(&scanner_),
      check4_(&scanner_),
      check5_(&scanner_),
      check6_(&scanner_),
      check7_(&scanner_),
      check8_(&scanner_),
      check9_(&scanner_),
      check10_(&scanner_),
      check11_(&scanner_),
      micr1_(&scanner_),
      micr2_(&scanner_) {}

CWizard::~CWizard() {
  micr2_.WaitForCleaning();
  scanner_.CloseScanner();
}

void CWizard::Run() {
  if (scanner_.OpenScanner() != 0) return;
  CWizardPage* const pages[kPageCount] = {&start_,  &check1_, &check2_,  &check3_,  &check4_,    &check5_,
                                          &check6_, &check7_, &check8_,  &check9_,  &check10_,   &check11_,
                                          &scanError_, &micr1_, &micr2_, &micr3_, &micr4_, &canceled_};
  RunModal(pages, kPageCount, IDB_WIZARD_HEADER, kTitle);
}

void CWizard::OnInitialized() {
  HWND window = Window();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  auto big = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_CHECKER_APP), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  auto small = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_CHECKER_APP), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  SetWindowTextW(window, kTitle);
  SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | WS_MINIMIZEBOX);
  HMENU systemMenu = GetSystemMenu(window, FALSE);
  if (systemMenu != nullptr) {
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, kAboutCommand, L"&About...");
  }
}

void CWizard::ConfirmCancel() {
  if (ShowMessage(Window(), IDS_QUIT_QUESTION, MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDOK) {
    // Leaving the active page stops what it runs (a scan is cancelled there).
    SetActivePage(kPageCanceled);
  }
}

bool CWizard::OnCommand(int id) {
  if (id != IDCANCEL || closing_) return false;
  // Esc reaches here as IDCANCEL too; a page that disabled Cancel offers no way out by it.
  if (IsWindowEnabled(GetDlgItem(Window(), IDCANCEL))) ConfirmCancel();
  return true;
}

bool CWizard::OnSysCommand(WPARAM command) {
  if ((command & 0xFFF0) == SC_CLOSE) {
    if (!IsFinishVisible()) {
      ConfirmCancel();
      return true;
    }
    closing_ = true;
    return false;
  }
  if ((command & 0xFFF0) == kAboutCommand) {
    ShowAboutBox(Window());
    return true;
  }
  return false;
}

}  // namespace qx::checker
