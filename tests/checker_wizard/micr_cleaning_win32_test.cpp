// The MICR cleaning pages against the simulator's scanner.
#include <gtest/gtest.h>

#include "tests/checker_wizard/wizard_fixture.h"

namespace qx::test {
namespace {

constexpr const char* kCleaningError = "Error occurred during cleaning the MICR unit.";

class MicrCleaning : public CheckerWizardTest {
 protected:
  void ToPage13() {
    Answer(kChooseCleaning);
    EXPECT_TRUE(checker_.PageChecked(kChooseCleaning));
    EXPECT_FALSE(checker_.PageChecked(kChooseCheck));
    Next();
    ExpectPage(13);
    ExpectButtons("B N - C");
  }
};

TEST_F(MicrCleaning, ChecksBeforeCleaningThenEndsOnTheSuccessPage) {
  Sim("api timing scan 150 eject 50 cleaning 2500");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  ToPage13();
  Screenshot("checker-13-cleaning");
  // Back goes to the start page, never to the scan troubleshooting page before this one.
  Back();
  ExpectPage(0);
  ToPage13();

  Sim("api documents clear");
  Next();
  ExpectBox("Cleaning card is not in the ASF/SF.\nInsert a check in the ASF/SF and confirm that the DOCUMENT LED is on.", IDOK);
  EXPECT_EQ(checker_.ActivePage(), 13);
  Sim("api feed micr=CLEANINGCARD");
  Sim("api main-pocket near-full");
  // No way on with a near-full pocket: the same message on every Next.
  for (int i = 0; i < 2; ++i) {
    Next();
    ExpectBox("Main pocket of the QX-R7000 is near full of paper.\nRemove paper.", IDOK);
    EXPECT_EQ(checker_.ActivePage(), 13);
  }
  Sim("api offline on");
  Next();
  ExpectBox("QX-R7000 is offline.\nConfirm the QX-R7000 is connected properly and the ERROR LED is not on.", IDOK);
  Sim("api offline off");
  Sim("api main-pocket ok");
  Next();
  ExpectPage(14);
  ExpectButtons("- - - -");
  Screenshot("checker-14-cleaning-running");
  ExpectPage(15);
  ExpectButtons("- - F -");
  Screenshot("checker-15-cleaning-done");
  // Esc on a page without Cancel asks nothing and stays.
  checker_.PostCommand(IDCANCEL);
  ExpectNoBox(1500);
  EXPECT_EQ(checker_.ActivePage(), 15);
  EXPECT_NE(CallLog().find("BiMICRCleaning(1) = 0"), std::string::npos);
  ASSERT_NO_FATAL_FAILURE(Press(kFinish, "Finish"));
  EXPECT_TRUE(checker_.WaitForExit(kWaitMs));
}

TEST_F(MicrCleaning, OfflineAfterTheCleaningShows108AndPage16EvenWhenTheCallSucceeded) {
  Sim("api cleaning offline");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  ToPage13();
  Next();
  ExpectPage(14);
  ExpectBox(kCleaningError, IDOK);
  ExpectPage(16);
  ExpectButtons("- - F -");
  Screenshot("checker-16-cleaning-troubleshooting");
  EXPECT_NE(CallLog().find("BiMICRCleaning(1) = 0"), std::string::npos) << CallLog();
}

TEST_F(MicrCleaning, ACleaningCallThatFailsIsNotReportedAsSuccess) {
  Sim("api cleaning fails");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  ToPage13();
  Next();
  ExpectPage(14);
  ExpectBox(kCleaningError, IDOK);
  ExpectPage(16);
}

TEST_F(MicrCleaning, OnePocketScannerNamesThePocketWithoutMain) {
  Sim("profile one-pocket.json");
  Sim("api main-pocket near-full");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  ToPage13();
  Next();
  ExpectBox("Pocket of the QX-R7000 is nearly full of paper.\nRemove paper.", IDOK);
  EXPECT_EQ(checker_.ActivePage(), 13);
}

// A confirmed close while the cleaning runs: the program ends normally, the cleaning call has
// returned before the scanner is closed. (The stand-in serialises its calls, so this order alone
// would also hold without the wizard's own wait for the worker.)
TEST_F(MicrCleaning, ClosingDuringTheCleaningEndsNormallyAfterTheCleaningCall) {
  Sim("api timing scan 150 eject 50 cleaning 4000");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  ToPage13();
  Next();
  ExpectPage(14);
  // The cleaning starts when the page is first painted.
  Sleep(700);
  checker_.PostSystemCommand(SC_CLOSE);
  ExpectBox("This program is not complete.\nAre you sure you want to quit this program?", IDOK);
  ExpectPage(17);
  ASSERT_NO_FATAL_FAILURE(Press(kFinish, "Finish"));
  DWORD exitCode = 1;
  ASSERT_TRUE(checker_.WaitForExit(kWaitMs, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  std::string log = CallLog();
  std::size_t cleaned = log.find("BiMICRCleaning(1) = ");
  std::size_t closed = log.find("BiCloseMonPrinter(1)");
  ASSERT_NE(cleaned, std::string::npos) << log;
  ASSERT_NE(closed, std::string::npos) << log;
  EXPECT_LT(cleaned, closed) << log;
}

}  // namespace
}  // namespace qx::test
