#pragma once

#include "checker/wizard_page.h"

namespace qx::checker {

// The pages that end the program: only Finish, and Cancel disabled. They show their texts.
class CFinishPage : public CWizardPage {
 public:
  CFinishPage(int dialogId, const wchar_t* headerTitle) : CWizardPage(dialogId, headerTitle) {}

 protected:
  void OnSetActive() override;
};

// Page 12: causes and remedies of a failed scan.
class CPropPageCheckScanErr : public CFinishPage {
 public:
  CPropPageCheckScanErr();
};

// Page 15: the cleaning finished.
class CPropPageMICR3 : public CFinishPage {
 public:
  CPropPageMICR3();
};

// Page 16: causes and remedies of a failed cleaning.
class CPropPageMICR4 : public CFinishPage {
 public:
  CPropPageMICR4();
};

// Page 17: the user cancelled.
class CPropPageCanceled : public CFinishPage {
 public:
  CPropPageCanceled();
};

}  // namespace qx::checker
