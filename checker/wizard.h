#pragma once

#include "checker/page_start.h"
#include "checker/pages_check.h"
#include "checker/pages_finish.h"
#include "checker/pages_micr.h"
#include "checker/scanner_api.h"
#include "checker/wizard_sheet.h"

namespace qx::checker {

// The Operation Checker's wizard: the scanner connection and the 18 pages, the sheet's title,
// icon and system menu, and Cancel and the close box, which ask before they interrupt.
class CWizard : public CWizardSheet {
 public:
  CWizard();
  // Waits for a cleaning still running, then closes the scanner and unloads the library.
  ~CWizard() override;

  // Opens the scanner and runs the wizard modally. A failed open has shown its message already
  // and ends the run without a wizard.
  void Run();

 protected:
  void OnInitialized() override;
  bool OnCommand(int id) override;
  bool OnSysCommand(WPARAM command) override;

 private:
  static constexpr UINT kAboutCommand = 0x0010;

  void ConfirmCancel();

  CScannerApi scanner_;
  CPropPageStart start_;
  CPropPageCheck1 check1_;
  CPropPageCheck2 check2_;
  CPropPageCheck3 check3_;
  CPropPageCheck4 check4_;
  CPropPageCheck5 check5_;
  CPropPageCheck6 check6_;
  CPropPageCheck7 check7_;
  CPropPageCheck8 check8_;
  CPropPageCheck9 check9_;
  CPropPageCheck10 check10_;
  CPropPageCheck11 check11_;
  CPropPageCheckScanErr scanError_;
  CPropPageMICR1 micr1_;
  CPropPageMICR2 micr2_;
  CPropPageMICR3 micr3_;
  CPropPageMICR4 micr4_;
  CPropPageCanceled canceled_;
  // The close box on a finishing page closes the sheet through its own Cancel handling.
  bool closing_ = false;
};

}  // namespace qx::checker
