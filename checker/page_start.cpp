#include "checker/page_start.h"

#include "checker/page_index.h"
#include "checker/wizard_sheet.h"
#include "resources/checker_ids.h"

namespace qx::checker {

CPropPageStart::CPropPageStart(CScannerApi* scanner)
    : CWizardPage(IDD_PAGE_START, L"Select \"Operation check\" or \"MICR Cleaning\""), scanner_(scanner) {}

void CPropPageStart::OnSetActive() {
  Sheet().SetWizardButtons(kButtonNext);
  // An unknown pocket count reads as two pockets.
  bool onePocket = scanner_->GetPocketCount() == 1;
  ShowWindow(Control(IDC_CHECK_LIST_ONE_POCKET), onePocket ? SW_SHOW : SW_HIDE);
  ShowWindow(Control(IDC_CHECK_LIST_TWO_POCKETS), onePocket ? SW_HIDE : SW_SHOW);
  CheckRadioButton(Window(), IDC_CHOOSE_CHECK, IDC_CHOOSE_CLEANING, IDC_CHOOSE_CHECK);
}

void CPropPageStart::OnCommand(int controlId, int code) {
  if (code == BN_CLICKED && (controlId == IDC_CHOOSE_CHECK || controlId == IDC_CHOOSE_CLEANING)) {
    CheckRadioButton(Window(), IDC_CHOOSE_CHECK, IDC_CHOOSE_CLEANING, controlId);
  }
}

LRESULT CPropPageStart::OnWizardNext() {
  if (IsDlgButtonChecked(Window(), IDC_CHOOSE_CLEANING) == BST_CHECKED) {
    Sheet().SetActivePage(kPageMicr1);
    return kStay;
  }
  return kMoveOn;
}

}  // namespace qx::checker
