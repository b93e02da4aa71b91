#pragma once

#include <windows.h>

#include <string>

namespace qx::test {

// One run of the real R7000Check.exe, driven through its windows from this (separate) process the
// way a person would: the wizard's buttons and the controls of its active page, its message boxes
// and its result list, read across the process boundary.
class CheckerSession {
 public:
  CheckerSession() = default;
  ~CheckerSession();  // ends a checker still running
  CheckerSession(const CheckerSession&) = delete;
  CheckerSession& operator=(const CheckerSession&) = delete;

  bool Start(const std::string& exePath);
  // Takes over a checker another program started (the utility's Scanner Test).
  bool Attach(DWORD processId);
  // Ends the checker if it still runs and forgets it, ready for another Start.
  void Close();
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
  bool Running() const;

  // The wizard window ("QX-R7000 Operation Checker Ver.1.01"); null until it is shown.
  HWND WaitForWizard(DWORD timeoutMs);
  HWND Wizard() const { return wizard_; }
  // Index of the active page (PSM_GETCURRENTPAGEHWND, PSM_HWNDTOINDEX); -1 without a wizard.
  int ActivePage() const;
  bool WaitForPage(int index, DWORD timeoutMs);

  // The sheet's buttons (Back 0x3023, Next 0x3024, Finish 0x3025, Cancel 2).
  bool ButtonEnabled(int id) const;
  bool ButtonVisible(int id) const;
  // Clicks a sheet button a person could click (visible and enabled); false otherwise.
  bool Click(int id);
  void PostSystemCommand(WPARAM command);
  // A command the sheet gets without a click (the Esc key sends IDCANCEL this way).
  void PostCommand(int id);

  // Controls of the active page.
  HWND PageControl(int id) const;
  bool ClickOnPage(int id);
  bool PageChecked(int id) const;
  bool PageControlVisible(int id) const;
  std::wstring PageText(int id) const;
  void SelectComboItem(int id, int index);
  int ComboSelection(int id) const;

  // The page's list view, read and selected across the process boundary.
  int ListCount(int id) const;
  std::wstring ListText(int id, int row) const;
  int ListImage(int id, int row) const;
  bool SelectListRow(int id, int row);

  // A message box captioned "QX-R7000 Operation Checker" (string 103).
  struct Box {
    HWND window = nullptr;
    std::wstring text;
    bool hasCancel = false;
    bool hasYes = false;
  };
  bool WaitForBox(Box* box, DWORD timeoutMs);
  // Waits `ms` and says whether a box came up meanwhile (it is left open).
  bool BoxAppearsWithin(DWORD ms, Box* box = nullptr);
  void Answer(const Box& box, int buttonId);
  // Waits for a box, checks its text, answers it; false with `got` set when the text differs.
  bool ExpectBox(const std::wstring& text, int answer, DWORD timeoutMs, std::wstring* got);

  // Writes the wizard as the screen shows it to `pngPath`.
  bool SaveScreenshot(const std::string& pngPath);

  DWORD ProcessId() const { return process_.dwProcessId; }

 private:
  PROCESS_INFORMATION process_{};
  HWND wizard_ = nullptr;
};

// Polls `condition` every 20 ms until it holds or `timeoutMs` passed.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
}

}  // namespace qx::test
