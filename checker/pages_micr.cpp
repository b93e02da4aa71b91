// Pages 13 and 14: the MICR cleaning.
#include "checker/pages_micr.h"

#include "checker/animation_clip.h"
#include "checker/check_rules.h"
#include "checker/messages.h"
#include "checker/page_index.h"
#include "checker/wizard_sheet.h"
#include "resources/checker_ids.h"

namespace qx::checker {

namespace {
constexpr wchar_t kCleaningTitle[] = L"MICR Cleaning";
constexpr UINT_PTR kCleaningTimer = 2;
constexpr UINT kCleaningTimerMs = 1500;
constexpr DWORD kWorkerPollMs = 100;
}  // namespace

CPropPageMICR1::CPropPageMICR1(CScannerApi* scanner) : CWizardPage(IDD_PAGE_MICR1, kCleaningTitle), scanner_(scanner) {}

void CPropPageMICR1::OnSetActive() { Sheet().SetWizardButtons(kButtonBack | kButtonNext); }

// The page before this one is the scan troubleshooting page; Back leads to the start.
LRESULT CPropPageMICR1::OnWizardBack() {
  Sheet().SetActivePage(kPageStart);
  return kStay;
}

LRESULT CPropPageMICR1::OnWizardNext() {
  HWND owner = Sheet().Window();
  std::uint32_t status = scanner_->GetStatus();
  switch (CheckFeed(status)) {
    case FeedState::kOffline:
      ShowMessage(owner, IDS_OFFLINE, MB_OK | MB_ICONERROR);
      return kStay;
    case FeedState::kNoDocument:
      ShowMessage(owner, IDS_NO_CLEANING_CARD, MB_OK | MB_ICONERROR);
      return kStay;
    case FeedState::kReady:
      break;
  }
  if (!MainPocketNearFull(status)) return kMoveOn;
  // No way on with a near-full pocket: the user empties it and tries again.
  ShowMessage(owner, scanner_->GetPocketCount() == 1 ? IDS_POCKET_REMOVE : IDS_MAIN_POCKET_REMOVE, MB_OK | MB_ICONERROR);
  return kStay;
}

CPropPageMICR2::CPropPageMICR2(CScannerApi* scanner) : CWizardPage(IDD_PAGE_MICR2, kCleaningTitle), scanner_(scanner) {}

CPropPageMICR2::~CPropPageMICR2() { WaitForCleaning(); }

void CPropPageMICR2::OnInitPage() { StartClip(Window(), Control(IDC_ANIMATION)); }

void CPropPageMICR2::OnSetActive() {
  Sheet().SetWizardButtons(0);
  Sheet().EnableSheetButton(IDCANCEL, false);
}

void CPropPageMICR2::OnKillActive() {
  StopClip(Control(IDC_ANIMATION));
  KillTimer(Window(), kCleaningTimer);
}

DWORD WINAPI CPropPageMICR2::CleaningWorker(void* scanner) {
  return static_cast<DWORD>(static_cast<CScannerApi*>(scanner)->CleanMicr());
}

void CPropPageMICR2::OnPaint() {
  if (state_ != kNotStarted) return;
  state_ = kRunning;
  SetTimer(Window(), kCleaningTimer, kCleaningTimerMs, nullptr);
  worker_ = CreateThread(nullptr, 0, CleaningWorker, scanner_, 0, nullptr);
}

void CPropPageMICR2::OnTimer(UINT_PTR id) {
  if (id != kCleaningTimer || state_ != kRunning) return;
  state_ = kFinished;
  KillTimer(Window(), kCleaningTimer);
  // A worker that could not be started has not cleaned anything.
  DWORD result = static_cast<DWORD>(-1);
  if (worker_ != nullptr) {
    while (GetExitCodeThread(worker_, &result) && result == STILL_ACTIVE) Sleep(kWorkerPollMs);
  }
  std::uint32_t status = scanner_->GetStatus();
  if (CleaningFailed(status, static_cast<std::int32_t>(result))) {
    ShowMessage(Sheet().Window(), IDS_CLEANING_ERROR, MB_OK | MB_ICONERROR);
    Sheet().SetActivePage(kPageMicr4);
  } else {
    Sheet().SetActivePage(kPageMicr3);
  }
  WaitForCleaning();
}

void CPropPageMICR2::WaitForCleaning() {
  if (worker_ == nullptr) return;
  WaitForSingleObject(worker_, INFINITE);
  CloseHandle(worker_);
  worker_ = nullptr;
}

}  // namespace qx::checker
