// The Yes./No. pages of the operation check: 3 (MICR text), 4 and 5 (the two faces), 8 (buzzer),
// 9 (sub pocket) and 10 (franking).
#include "checker/page_index.h"
#include "checker/pages_check.h"
#include "checker/scanned_picture.h"
#include "checker/wizard_sheet.h"
#include "resources/checker_ids.h"

namespace qx::checker {

namespace {
constexpr wchar_t kCheckTitle[] = L"Operation check";
}

CAnswerPage::CAnswerPage(int dialogId, CScannerApi* scanner, int checkIndex, DWORD buttonsOnEntry, DWORD buttonsAnswered)
    : CWizardPage(dialogId, kCheckTitle),
      scanner_(scanner),
      checkIndex_(checkIndex),
      buttonsOnEntry_(buttonsOnEntry),
      buttonsAnswered_(buttonsAnswered) {}

void CAnswerPage::OnSetActive() {
  Sheet().SetWizardButtons(buttonsOnEntry_);
  CheckDlgButton(Window(), IDC_ANSWER_YES, BST_UNCHECKED);
  CheckDlgButton(Window(), IDC_ANSWER_NO, BST_UNCHECKED);
}

void CAnswerPage::OnCommand(int controlId, int code) {
  if (code != BN_CLICKED || (controlId != IDC_ANSWER_YES && controlId != IDC_ANSWER_NO)) return;
  CheckRadioButton(Window(), IDC_ANSWER_YES, IDC_ANSWER_NO, controlId);
  Sheet().SetWizardButtons(buttonsAnswered_);
}

LRESULT CAnswerPage::OnWizardNext() {
  bool passed = IsDlgButtonChecked(Window(), IDC_ANSWER_YES) == BST_CHECKED;
  scanner_->SetCheckResult(checkIndex_, passed ? 0 : 1);
  return kMoveOn;
}

// The franking choice is the flag at +30 of the HandlingBlock, as page 6 left it.
bool CAnswerPage::FrankingChosen() const {
  HandlingBlock* handling = scanner_->GetHandlingBlock();
  return handling != nullptr && handling->franking4 == 1;
}

CPropPageCheck3::CPropPageCheck3(CScannerApi* scanner) : CAnswerPage(IDD_PAGE_CHECK3, scanner, 0, 0, kButtonNext) {}

void CPropPageCheck3::OnSetActive() {
  CAnswerPage::OnSetActive();
  SetDlgItemTextW(Window(), IDC_TEXT, scanner_->GetMicrText().c_str());
  MicrBlock* micr = scanner_->GetMicrBlock();
  SetDlgItemTextW(Window(), IDC_MICR_FORMAT, micr != nullptr && micr->font != 0 ? L"CMC7" : L"E13B");
}

CImagePage::CImagePage(int dialogId, CScannerApi* scanner, int face, int frameId)
    : CAnswerPage(dialogId, scanner, face == CScannerApi::kFaceFront ? 1 : 2, kButtonBack, kButtonBack | kButtonNext),
      face_(face),
      frameId_(frameId) {}

void CImagePage::OnPaint() {
  ImageBlock* block = scanner_->GetImageBlock(face_);
  if (block == nullptr || block->image == nullptr) return;
  DrawPackedDib(block->image, Control(frameId_));
}

CPropPageCheck4::CPropPageCheck4(CScannerApi* scanner)
    : CImagePage(IDD_PAGE_CHECK4, scanner, CScannerApi::kFaceFront, IDC_FRONT_IMAGE) {}

CPropPageCheck5::CPropPageCheck5(CScannerApi* scanner)
    : CImagePage(IDD_PAGE_CHECK5, scanner, CScannerApi::kFaceBack, IDC_BACK_IMAGE) {}

CPropPageCheck8::CPropPageCheck8(CScannerApi* scanner) : CAnswerPage(IDD_PAGE_CHECK8, scanner, 3, 0, kButtonNext) {}

LRESULT CPropPageCheck8::OnWizardNext() {
  CAnswerPage::OnWizardNext();
  if (scanner_->GetPocketCount() != 1) return kMoveOn;
  Sheet().SetActivePage(FrankingChosen() ? kPageCheck10 : kPageCheck11);
  return kStay;
}

CPropPageCheck9::CPropPageCheck9(CScannerApi* scanner)
    : CAnswerPage(IDD_PAGE_CHECK9, scanner, 4, kButtonBack, kButtonBack | kButtonNext) {}

LRESULT CPropPageCheck9::OnWizardNext() {
  CAnswerPage::OnWizardNext();
  if (FrankingChosen()) return kMoveOn;
  Sheet().SetActivePage(kPageCheck11);
  return kStay;
}

CPropPageCheck10::CPropPageCheck10(CScannerApi* scanner)
    : CAnswerPage(IDD_PAGE_CHECK10, scanner, 5, kButtonBack, kButtonBack | kButtonNext) {}

LRESULT CPropPageCheck10::OnWizardBack() {
  if (scanner_->GetPocketCount() != 1) return kMoveOn;
  Sheet().SetActivePage(kPageCheck8);
  return kStay;
}

}  // namespace qx::checker
