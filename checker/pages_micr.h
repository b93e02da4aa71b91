#pragma once

#include <windows.h>

#include "checker/scanner_api.h"
#include "checker/wizard_page.h"

namespace qx::checker {

// Page 13: how to insert the cleaning card; Next checks the scanner first.
class CPropPageMICR1 : public CWizardPage {
 public:
  explicit CPropPageMICR1(CScannerApi* scanner);

 protected:
  void OnSetActive() override;
  LRESULT OnWizardNext() override;
  LRESULT OnWizardBack() override;

 private:
  CScannerApi* scanner_;
};

// Page 14: the cleaning runs on a worker thread while the page shows the animation; the page's
// timer waits for the worker, reads the status and moves to page 15 or 16.
class CPropPageMICR2 : public CWizardPage {
 public:
  explicit CPropPageMICR2(CScannerApi* scanner);
  ~CPropPageMICR2() override;

  // Blocks until the cleaning worker, if one was started, has ended. The wizard calls it before
  // it closes the scanner: the library must stay loaded while its cleaning call runs.
  void WaitForCleaning();

 protected:
  void OnInitPage() override;
  void OnSetActive() override;
  void OnKillActive() override;
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;

 private:
  static DWORD WINAPI CleaningWorker(void* scanner);

  enum CleaningState { kNotStarted = 0, kRunning = 1, kFinished = -1 };

  CScannerApi* scanner_;
  int state_ = kNotStarted;
  HANDLE worker_ = nullptr;
};

}  // namespace qx::checker
