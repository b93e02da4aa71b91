// Pages 1 and 6: the checks before each scan.
#include <windowsx.h>

#include "checker/check_rules.h"
#include "checker/messages.h"
#include "checker/pages_check.h"
#include "checker/wizard_sheet.h"
#include "resources/checker_ids.h"

namespace qx::checker {

namespace {

constexpr wchar_t kCheckTitle[] = L"Operation check";

// The status checks both pages make before a scan: offline (104) or no cheque (105) stops.
bool FeedIsReady(HWND owner, std::uint32_t status) {
  switch (CheckFeed(status)) {
    case FeedState::kOffline:
      ShowMessage(owner, IDS_OFFLINE, MB_OK | MB_ICONERROR);
      return false;
    case FeedState::kNoDocument:
      ShowMessage(owner, IDS_NO_CHECK, MB_OK | MB_ICONERROR);
      return false;
    case FeedState::kReady:
      break;
  }
  return true;
}

// A near-full pocket may be ignored: OK continues, Cancel stays.
bool ContinueDespite(HWND owner, int questionId) {
  return ShowMessage(owner, questionId, MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) == IDOK;
}

}  // namespace

CPropPageCheck1::CPropPageCheck1(CScannerApi* scanner) : CWizardPage(IDD_PAGE_CHECK1, kCheckTitle), scanner_(scanner) {}

void CPropPageCheck1::OnInitPage() {
  HWND fonts = Control(IDC_MICR_FONT);
  ComboBox_AddString(fonts, L"E13B");
  ComboBox_AddString(fonts, L"CMC7");
}

void CPropPageCheck1::OnSetActive() {
  Sheet().SetWizardButtons(kButtonBack | kButtonNext);
  ComboBox_SetCurSel(Control(IDC_MICR_FONT), 0);
}

LRESULT CPropPageCheck1::OnWizardNext() {
  HWND owner = Sheet().Window();
  MicrBlock* micr = scanner_->GetMicrBlock();
  if (micr == nullptr) {
    ShowText(owner, kErrorOccurred, MB_OK | MB_ICONERROR);
    return kStay;
  }
  micr->font = ComboBox_GetCurSel(Control(IDC_MICR_FONT)) == 1 ? 1 : 0;
  if (scanner_->SetMicrBlock(micr) != 0) {
    ShowText(owner, kErrorOccurred, MB_OK | MB_ICONERROR);
    return kStay;
  }
  std::uint32_t status = scanner_->GetStatus();
  if (!FeedIsReady(owner, status)) return kStay;
  if (MainPocketNearFull(status)) {
    int question = scanner_->GetPocketCount() == 1 ? IDS_POCKET_NEARLY_FULL : IDS_MAIN_POCKET_NEARLY_FULL;
    if (!ContinueDespite(owner, question)) return kStay;
  }
  return kMoveOn;
}

CPropPageCheck6::CPropPageCheck6(CScannerApi* scanner) : CWizardPage(IDD_PAGE_CHECK6, kCheckTitle), scanner_(scanner) {}

void CPropPageCheck6::OnSetActive() {
  Sheet().SetWizardButtons(kButtonBack | kButtonNext);
  bool onePocket = scanner_->GetPocketCount() == 1;
  ShowWindow(Control(IDC_STEP2_ONE_POCKET), onePocket ? SW_SHOW : SW_HIDE);
  ShowWindow(Control(IDC_STEP2_TWO_POCKETS), onePocket ? SW_HIDE : SW_SHOW);
}

// Stores the franking choice in the six flags of the HandlingBlock that the second scan uses.
bool CPropPageCheck6::SetFranking(std::uint8_t flag) {
  HandlingBlock* handling = scanner_->GetHandlingBlock();
  if (handling != nullptr) {
    SetFrankingFlags(handling, flag);
    if (scanner_->SetHandlingBlock(handling) == 0) return true;
  }
  ShowText(Sheet().Window(), kErrorOccurred, MB_OK | MB_ICONERROR);
  return false;
}

LRESULT CPropPageCheck6::OnWizardNext() {
  HWND owner = Sheet().Window();
  if (FrankerMissing(scanner_->GetStatus())) {
    if (!SetFranking(0)) return kStay;
  } else {
    int answer = ShowMessage(owner, IDS_FRANKING_QUESTION, MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3);
    if (answer == IDCANCEL) return kStay;
    if (!SetFranking(answer == IDYES ? 1 : 0)) return kStay;
  }
  std::uint32_t status = scanner_->GetStatus();
  if (!FeedIsReady(owner, status)) return kStay;
  if (scanner_->GetPocketCount() == 1) {
    if (MainPocketNearFull(status) && !ContinueDespite(owner, IDS_POCKET_NEARLY_FULL)) return kStay;
  } else if (SubPocketNearFull(status) && !ContinueDespite(owner, IDS_SUB_POCKET_NEAR_FULL)) {
    return kStay;
  }
  return kMoveOn;
}

}  // namespace qx::checker
