#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "checker/scanner_api.h"
#include "checker/wizard_page.h"

namespace qx::checker {

// Pages 1 and 6: what the next scan does and how to load the cheque; their Next checks the
// scanner before the scan page starts it.
class CPropPageCheck1 : public CWizardPage {
 public:
  explicit CPropPageCheck1(CScannerApi* scanner);

 protected:
  void OnInitPage() override;
  void OnSetActive() override;
  LRESULT OnWizardNext() override;

 private:
  CScannerApi* scanner_;
};

class CPropPageCheck6 : public CWizardPage {
 public:
  explicit CPropPageCheck6(CScannerApi* scanner);

 protected:
  void OnSetActive() override;
  LRESULT OnWizardNext() override;

 private:
  bool SetFranking(std::uint8_t flag);
  CScannerApi* scanner_;
};

// Pages 2 and 7: an animation while the scanner scans. The scan starts at the page's first
// paint and runs at most once per program run; the page's timer looks at how it ended.
class CScanPage : public CWizardPage {
 public:
  CScanPage(int dialogId, CScannerApi* scanner, UINT_PTR timerId, int nextPage);

 protected:
  void OnInitPage() override;
  void OnSetActive() override;
  void OnKillActive() override;
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;

  // What this page's scan sets in the blocks the library gives, before they are written back.
  virtual void SetUpScanBlock(ScanBlock* scan) = 0;
  virtual void SetUpHandlingBlock(HandlingBlock* handling) = 0;
  CScannerApi* scanner_;

 private:
  // Writes the scan's blocks; false (after "Error occurred.") when the library has or takes none.
  bool PrepareScan();
  bool RefuseScan();
  void EndScan();
  bool WaitWhileBusy();
  void Troubleshoot(int messageId, std::int32_t result);

  UINT_PTR timerId_;
  int nextPage_;
  bool started_ = false;
  // The library's result of starting the scan; 0 once it started.
  int startResult_ = 0;
};

class CPropPageCheck2 : public CScanPage {
 public:
  explicit CPropPageCheck2(CScannerApi* scanner);

 protected:
  void OnKillActive() override;
  void SetUpScanBlock(ScanBlock* scan) override;
  void SetUpHandlingBlock(HandlingBlock* handling) override;
};

class CPropPageCheck7 : public CScanPage {
 public:
  explicit CPropPageCheck7(CScannerApi* scanner);

 protected:
  void SetUpScanBlock(ScanBlock* scan) override;
  void SetUpHandlingBlock(HandlingBlock* handling) override;
};

// The Yes./No. pages (3, 4, 5, 8, 9, 10): both answers cleared on every entry; an answer enables
// the page's buttons; Next stores the answer as the check result of the page's item.
class CAnswerPage : public CWizardPage {
 public:
  CAnswerPage(int dialogId, CScannerApi* scanner, int checkIndex, DWORD buttonsOnEntry, DWORD buttonsAnswered);

 protected:
  void OnSetActive() override;
  void OnCommand(int controlId, int code) override;
  LRESULT OnWizardNext() override;
  bool FrankingChosen() const;

  CScannerApi* scanner_;

 private:
  int checkIndex_;
  DWORD buttonsOnEntry_;
  DWORD buttonsAnswered_;
};

class CPropPageCheck3 : public CAnswerPage {
 public:
  explicit CPropPageCheck3(CScannerApi* scanner);

 protected:
  void OnSetActive() override;
};

// Pages 4 and 5 draw the face's scanned picture into their frame.
class CImagePage : public CAnswerPage {
 public:
  CImagePage(int dialogId, CScannerApi* scanner, int face, int frameId);

 protected:
  void OnPaint() override;

 private:
  int face_;
  int frameId_;
};

class CPropPageCheck4 : public CImagePage {
 public:
  explicit CPropPageCheck4(CScannerApi* scanner);
};

class CPropPageCheck5 : public CImagePage {
 public:
  explicit CPropPageCheck5(CScannerApi* scanner);
};

class CPropPageCheck8 : public CAnswerPage {
 public:
  explicit CPropPageCheck8(CScannerApi* scanner);

 protected:
  LRESULT OnWizardNext() override;
};

class CPropPageCheck9 : public CAnswerPage {
 public:
  explicit CPropPageCheck9(CScannerApi* scanner);

 protected:
  LRESULT OnWizardNext() override;
};

class CPropPageCheck10 : public CAnswerPage {
 public:
  explicit CPropPageCheck10(CScannerApi* scanner);

 protected:
  LRESULT OnWizardBack() override;
};

// Page 11: the result list with an icon per item, and the details of the selected item.
class CPropPageCheck11 : public CWizardPage {
 public:
  explicit CPropPageCheck11(CScannerApi* scanner);
  ~CPropPageCheck11() override;

 protected:
  void OnInitPage() override;
  void OnSetActive() override;
  void OnControlNotify(NMHDR* header) override;

 private:
  void ShowDetails();
  bool FrankingChosen() const;

  CScannerApi* scanner_;
  HIMAGELIST images_ = nullptr;
};

}  // namespace qx::checker
