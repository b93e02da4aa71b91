#pragma once

#include "checker/scanner_api.h"
#include "checker/wizard_page.h"

namespace qx::checker {

// Page 0: the choice between the operation check and the MICR cleaning.
class CPropPageStart : public CWizardPage {
 public:
  explicit CPropPageStart(CScannerApi* scanner);

 protected:
  void OnSetActive() override;
  LRESULT OnWizardNext() override;
  void OnCommand(int controlId, int code) override;

 private:
  CScannerApi* scanner_;
};

}  // namespace qx::checker
