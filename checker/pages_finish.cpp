#include "checker/pages_finish.h"

#include "checker/wizard_sheet.h"
#include "resources/checker_ids.h"

namespace qx::checker {

void CFinishPage::OnSetActive() {
  Sheet().SetWizardButtons(kButtonFinish);
  Sheet().EnableSheetButton(IDCANCEL, false);
}

CPropPageCheckScanErr::CPropPageCheckScanErr()
    : CFinishPage(IDD_PAGE_SCAN_ERROR, L"Operation check (Troubleshooting)") {}

CPropPageMICR3::CPropPageMICR3() : CFinishPage(IDD_PAGE_MICR3, L"MICR Cleaning complete") {}

CPropPageMICR4::CPropPageMICR4() : CFinishPage(IDD_PAGE_MICR4, L"MICR Cleaning (Troubleshooting)") {}

CPropPageCanceled::CPropPageCanceled() : CFinishPage(IDD_PAGE_CANCELED, L"Procedure is interrupted") {}

}  // namespace qx::checker
