#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/sim/sim_fixture.h"
#include "tests/win32/checker_driver.h"

namespace qx::test {

// Control and page ids of the checker the tests work with.
inline constexpr int kBack = 0x3023;
inline constexpr int kNext = 0x3024;
inline constexpr int kFinish = 0x3025;
inline constexpr int kCancel = IDCANCEL;
inline constexpr int kYes = 1000;
inline constexpr int kNo = 1001;
inline constexpr int kMicrTextEdit = 1003;
inline constexpr int kDetailsEdit = 1003;
inline constexpr int kResultList = 1007;
inline constexpr int kFontList = 1008;
inline constexpr int kFormatEdit = 1009;
inline constexpr int kChooseCheck = 1010;
inline constexpr int kChooseCleaning = 1011;
inline constexpr int kTwoPocketList = 1012;
inline constexpr int kOnePocketList = 1013;
inline constexpr int kStep2OnePocket = 1017;
inline constexpr int kStep2TwoPockets = 1018;

inline constexpr DWORD kWaitMs = 20000;

// One checker run against the simulator's scanner with the stand-in library beside the program:
// the simulator is reset to a profile, the test holds the utility's mutex, and the library writes
// its call log to a file of this test.
class CheckerWizardTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A control command to the simulator's scanner ("api ..."); the test fails when it is refused.
  void Sim(const std::string& command);
  std::string SimLog();
  // Starts the checker and waits for page 0.
  void StartWizard();

  // A person's clicks, once the button is there; each fails the test when it never can be clicked.
  void Next() { Press(kNext, "Next"); }
  void Back() { Press(kBack, "Back"); }
  void Press(int id, const char* name);
  // Clicks a radio button of the page and waits until the page has taken the answer.
  void Answer(int radio);
  void ExpectPage(int index) { ASSERT_TRUE(checker_.WaitForPage(index, kWaitMs)) << "on page " << checker_.ActivePage() << ", not " << index; }
  // The next message box: its text is checked, then it is answered.
  void ExpectBox(const std::string& text, int answer);
  void ExpectNoBox(DWORD ms);
  // The enabled wizard buttons as "Back Next Finish Cancel" flags, e.g. "B N - C".
  std::string Buttons();
  // The page sets its buttons as it becomes active: waits briefly for `expected`.
  void ExpectButtons(const std::string& expected);

  std::string CallLog() const;
  void Screenshot(const std::string& name);

  CheckerSession checker_;

 private:
  simtest::SimAddresses sim_;
  HANDLE mutex_ = nullptr;
  std::string logPath_;
};

std::string Utf8(const std::wstring& text);

// Lines of `text` that contain `part`, in order.
std::string LinesWith(const std::string& text, const std::string& part);

}  // namespace qx::test
