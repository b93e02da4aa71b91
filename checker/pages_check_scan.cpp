// Pages 2 and 7: the two scans of the operation check.
#include "checker/animation_clip.h"
#include "checker/check_rules.h"
#include "checker/messages.h"
#include "checker/page_index.h"
#include "checker/pages_check.h"
#include "checker/wizard_sheet.h"
#include "resources/checker_ids.h"

namespace qx::checker {

namespace {

constexpr wchar_t kCheckTitle[] = L"Operation check";
constexpr UINT kScanEndTimerMs = 1000;
constexpr UINT_PTR kFirstScanTimer = 0;
constexpr UINT_PTR kSecondScanTimer = 1;

// The library reports the end of a scan (event 205) right after the data; a busy flag that stays
// set this long after the scan's events means the end was lost. The GUI thread answers no input
// while it waits, so the wait is bounded.
constexpr DWORD kBusyWaitLimitMs = 10000;
constexpr std::int32_t kErrTimeout = -70;
}  // namespace

CScanPage::CScanPage(int dialogId, CScannerApi* scanner, UINT_PTR timerId, int nextPage)
    : CWizardPage(dialogId, kCheckTitle), scanner_(scanner), timerId_(timerId), nextPage_(nextPage) {}

void CScanPage::OnInitPage() { StartClip(Window(), Control(IDC_ANIMATION)); }

void CScanPage::OnSetActive() { Sheet().SetWizardButtons(0); }

void CScanPage::OnKillActive() {
  StopClip(Control(IDC_ANIMATION));
  if (scanner_->IsBusy() == 1) scanner_->CancelScan();
}

void CScanPage::OnPaint() {
  if (started_) return;
  started_ = true;
  if (!PrepareScan()) return;
  startResult_ = scanner_->ExecuteAndWait();
  SetTimer(Window(), timerId_, kScanEndTimerMs, nullptr);
}

void CScanPage::OnTimer(UINT_PTR id) {
  if (id != timerId_) return;
  KillTimer(Window(), timerId_);
  EndScan();
}

bool CScanPage::WaitWhileBusy() {
  DWORD start = GetTickCount();
  while (scanner_->IsBusy() == 1) {
    if (GetTickCount() - start >= kBusyWaitLimitMs) return false;
    Sleep(1);
  }
  return true;
}

void CScanPage::Troubleshoot(int messageId, std::int32_t result) {
  HWND owner = Sheet().Window();
  if (messageId == IDS_SCAN_ERROR) {
    ShowText(owner, ComposeScanErrorText(CScannerApi::ErrorName(result)), MB_OK | MB_ICONERROR);
  } else {
    ShowMessage(owner, messageId, MB_OK | MB_ICONERROR);
  }
  Sheet().SetActivePage(kPageScanError);
}

void CScanPage::EndScan() {
  bool userCancelled = Sheet().GetActiveIndex() == kPageCanceled;
  // A scan the user cancelled ends quietly; one the library aborted on its own is a failed scan.
  if (scanner_->IsBusy() == 0 && scanner_->GetLastResult() == kErrAbort && userCancelled) return;
  bool ended = WaitWhileBusy();
  if (Sheet().GetActiveIndex() == kPageCanceled) return;
  if (startResult_ != 0) {
    // A scan that never started has no result of its own to judge: the library's refusal is
    // the failure shown.
    Troubleshoot(IDS_SCAN_ERROR, startResult_);
    return;
  }
  if (!ended) {
    scanner_->CancelScan();
    Troubleshoot(IDS_SCAN_ERROR, kErrTimeout);
    return;
  }
  ScanEnd end = DecideScanEnd(scanner_->GetStatus(), scanner_->GetLastResult());
  if (end.moveOn) {
    Sheet().SetActivePage(nextPage_);
    return;
  }
  Troubleshoot(end.messageId, scanner_->GetLastResult());
}

bool CScanPage::PrepareScan() {
  ScanBlock* scan = scanner_->GetScanBlock();
  if (scan == nullptr) return RefuseScan();
  SetUpScanBlock(scan);
  if (scanner_->SetScanBlock(scan) != 0) return RefuseScan();
  HandlingBlock* handling = scanner_->GetHandlingBlock();
  if (handling == nullptr) return RefuseScan();
  SetUpHandlingBlock(handling);
  if (scanner_->SetHandlingBlock(handling) != 0) return RefuseScan();
  return true;
}

bool CScanPage::RefuseScan() {
  ShowText(Sheet().Window(), kErrorOccurred, MB_OK | MB_ICONERROR);
  return false;
}

CPropPageCheck2::CPropPageCheck2(CScannerApi* scanner) : CScanPage(IDD_PAGE_CHECK2, scanner, kFirstScanTimer, kPageCheck3) {}

void CPropPageCheck2::OnKillActive() {
  KillTimer(Window(), kFirstScanTimer);
  CScanPage::OnKillActive();
}

// The first scan reads the MICR line and both faces and ejects into the main pocket.
void CPropPageCheck2::SetUpScanBlock(ScanBlock* scan) {
  for (std::uint8_t& setting : scan->faceSettings) setting = 0;
  scan->scanSetting = 5;
}

void CPropPageCheck2::SetUpHandlingBlock(HandlingBlock* handling) {
  SetFrankingFlags(handling, 0);
  // The pocket code at +20 keeps what the library gave.
  handling->pocket0 = 34;
  handling->pocket2 = 34;
  handling->pocket3 = 34;
  handling->pocket4 = 34;
  handling->ejectMode = 3;
  handling->interval = 1500;
}

CPropPageCheck7::CPropPageCheck7(CScannerApi* scanner) : CScanPage(IDD_PAGE_CHECK7, scanner, kSecondScanTimer, kPageCheck8) {}

// The second scan franks when the user chose it on page 6, ejects into the sub pocket and sounds
// the buzzer.
void CPropPageCheck7::SetUpScanBlock(ScanBlock* scan) {
  static constexpr std::uint8_t kSecondScanFaces[6] = {0, 0, 0, 2, 2, 2};
  for (int i = 0; i < 6; ++i) scan->faceSettings[i] = kSecondScanFaces[i];
}

void CPropPageCheck7::SetUpHandlingBlock(HandlingBlock* handling) {
  SetPocketCodes(handling, 36);
  SetFrankingFlags(handling, handling->franking4 == 1 ? 1 : 0);
  handling->ejectMode = 3;
  handling->interval = 300;
  handling->libraryDecides = 0;
}

}  // namespace qx::checker
