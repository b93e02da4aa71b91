// The operation check, driven like a person would, against the simulator's scanner: every page,
// its buttons and answers, the two scans and what the library was given for them, the result list.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tests/checker_wizard/wizard_fixture.h"
#include "tests/win32/ui_driver.h"

namespace qx::test {
namespace {

const char kMicrLine[] = "A021000021A 1234567890C 1001";

using Bytes = std::vector<std::uint8_t>;

// For each scan started (PostPrint code 0), the block last written with `code` before it, as the
// library logged its bytes: "BiSCNMICRFunctionPostPrint(1, block 38 v0x0100 bytes 2600..., 21) = 0".
std::vector<Bytes> BlocksBeforeEachScan(const std::string& log, int code) {
  std::vector<Bytes> blocks;
  Bytes last;
  std::istringstream in(log);
  std::string line;
  const std::string tail = ", " + std::to_string(code) + ") = 0";
  while (std::getline(in, line)) {
    if (line.rfind("BiSCNMICRFunctionPostPrint(", 0) != 0) continue;
    if (line.find(", null, 0) = 0") != std::string::npos) {
      blocks.push_back(last);
      continue;
    }
    std::size_t at = line.find(" bytes ");
    std::size_t end = line.find(tail);
    if (at == std::string::npos || end == std::string::npos) continue;
    std::string hex = line.substr(at + 7, end - at - 7);
    last.clear();
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) last.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return blocks;
}

// The log with the blocks' bytes left out, to read the order of the calls.
std::string WithoutBytes(std::string log) {
  for (std::size_t at = log.find(" bytes "); at != std::string::npos; at = log.find(" bytes ", at)) {
    log.erase(at, log.find(',', at) - at);
  }
  return log;
}

void Put32(Bytes* block, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) (*block)[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A block as the library first hands it over: its size and version, every other byte as given
// (the library's defaults are zero but for the fields listed by the caller).
Bytes FreshBlock(std::size_t size, std::uint32_t version) {
  Bytes block(size, 0);
  Put32(&block, 0, static_cast<std::uint32_t>(size));
  Put32(&block, 4, version);
  return block;
}

// The handling the checker prepares: pocket codes at +16, +20, +24, +29, +33, franking flags at
// +14, +17, +21, +25, +30, +34, the interval at +10, the eject mode 3 at +36, and at +8 who
// decides what follows a result.
Bytes Handling(std::uint8_t pocket, std::uint8_t franking, std::uint32_t interval, std::uint8_t libraryDecides) {
  Bytes block = FreshBlock(38, 0x0100);
  for (std::size_t offset : {16, 20, 24, 29, 33}) block[offset] = pocket;
  for (std::size_t offset : {14, 17, 21, 25, 30, 34}) block[offset] = franking;
  Put32(&block, 10, interval);
  block[36] = 3;
  block[8] = libraryDecides;
  return block;
}

class OperationCheck : public CheckerWizardTest {
 protected:
  void ToPage3() {
    Next();
    ExpectPage(1);
    Next();
    ExpectPage(2);
    ExpectPage(3);
  }
  // From page 3 through the second scan to page 8, answering Yes everywhere and `franking` to 112.
  void FromPage3ToPage8(int franking) {
    Answer(kYes);
    Next();
    ExpectPage(4);
    Answer(kYes);
    Next();
    ExpectPage(5);
    Answer(kYes);
    Next();
    ExpectPage(6);
    Next();
    if (franking != 0) ExpectBox(kFrankingQuestion, franking);
    ExpectPage(7);
    ExpectPage(8);
  }
  static constexpr const char* kFrankingQuestion =
      "The franking section prints a pattern.\nAre you sure to print a pattern on the check in the ASF/SF?";
};

TEST_F(OperationCheck, TwoPocketsWalkEveryPageAndListSixResults) {
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  ExpectButtons("- N - C");
  EXPECT_TRUE(checker_.PageChecked(kChooseCheck));
  EXPECT_FALSE(checker_.PageChecked(kChooseCleaning));
  EXPECT_TRUE(checker_.PageControlVisible(kTwoPocketList));
  EXPECT_FALSE(checker_.PageControlVisible(kOnePocketList));
  Screenshot("checker-00-start");

  Next();
  ExpectPage(1);
  ExpectButtons("B N - C");
  EXPECT_EQ(checker_.ComboSelection(kFontList), 0);
  Screenshot("checker-01-step1");
  // The MICR font list returns to "E13B" on every entry.
  checker_.SelectComboItem(kFontList, 1);
  Back();
  ExpectPage(0);
  Next();
  ExpectPage(1);
  EXPECT_EQ(checker_.ComboSelection(kFontList), 0);

  Next();
  ExpectPage(2);
  ExpectButtons("- - - C");
  Screenshot("checker-02-scanning");
  ExpectPage(3);
  ExpectButtons("- - - C");
  EXPECT_EQ(Utf8(checker_.PageText(kMicrTextEdit)), kMicrLine);
  EXPECT_EQ(Utf8(checker_.PageText(kFormatEdit)), "E13B");
  Answer(kYes);
  ExpectButtons("- N - C");
  Screenshot("checker-03-micr");
  Next();
  ExpectPage(4);
  ExpectButtons("B - - C");
  Answer(kNo);
  ExpectButtons("B N - C");
  Screenshot("checker-04-front");
  // Back to a Yes./No. page clears its answers and Next waits for a new one.
  Back();
  ExpectPage(3);
  EXPECT_FALSE(checker_.PageChecked(kYes));
  EXPECT_FALSE(checker_.PageChecked(kNo));
  ExpectButtons("- - - C");
  Answer(kYes);
  Next();
  ExpectPage(4);
  EXPECT_FALSE(checker_.PageChecked(kNo));
  Answer(kNo);
  Next();
  ExpectPage(5);
  ExpectButtons("B - - C");
  Answer(kYes);
  Screenshot("checker-05-back");
  Next();
  ExpectPage(6);
  ExpectButtons("B N - C");
  EXPECT_TRUE(checker_.PageControlVisible(kStep2TwoPockets));
  EXPECT_FALSE(checker_.PageControlVisible(kStep2OnePocket));
  Screenshot("checker-06-step2");
  Next();
  ExpectBox(kFrankingQuestion, IDYES);
  ExpectPage(7);
  ExpectButtons("- - - C");
  ExpectPage(8);
  ExpectButtons("- - - C");
  Answer(kYes);
  Screenshot("checker-08-buzzer");
  Next();
  ExpectPage(9);
  ExpectButtons("B - - C");
  Answer(kYes);
  Screenshot("checker-09-pocket");
  Next();
  ExpectPage(10);
  ExpectButtons("B - - C");
  Answer(kYes);
  Screenshot("checker-10-franker");
  Next();
  ExpectPage(11);
  ExpectButtons("- - F -");
  EXPECT_EQ(Utf8(checker_.PageText(kDetailsEdit)), "Select a category on the left.");

  ASSERT_EQ(checker_.ListCount(kResultList), 6);
  const char* names[] = {"MICR", "Front image", "Back image", "Buzzer", "Pocket sorting", "Franking"};
  const int images[] = {0, 1, 0, 0, 0, 0};  // "No." on page 4: the failed icon
  for (int row = 0; row < 6; ++row) {
    EXPECT_EQ(Utf8(checker_.ListText(kResultList, row)), names[row]);
    EXPECT_EQ(checker_.ListImage(kResultList, row), images[row]) << names[row];
  }
  ASSERT_TRUE(checker_.SelectListRow(kResultList, 1));
  EXPECT_TRUE(WaitUntil([&] { return Utf8(checker_.PageText(kDetailsEdit)).rfind("Image reading was unsuccessful.", 0) == 0; }, kWaitMs))
      << Utf8(checker_.PageText(kDetailsEdit));
  Screenshot("checker-11-result");
  ASSERT_TRUE(checker_.SelectListRow(kResultList, 5));
  EXPECT_TRUE(WaitUntil([&] { return Utf8(checker_.PageText(kDetailsEdit)) == "This operation functioned successfully."; }, kWaitMs));

  // What the library was given before each scan: the blocks written, then the start.
  std::string writes = LinesWith(CallLog(), "BiSCNMICRFunctionPostPrint");
  EXPECT_NE(WithoutBytes(writes).find("BiSCNMICRFunctionPostPrint(1, block 295 v0x0101, 16) = 0\n"
                                      "BiSCNMICRFunctionPostPrint(1, null, 37) = 0\n"
                                      "BiSCNMICRFunctionPostPrint(1, block 38 v0x0100, 53) = 0\n"
                                      "BiSCNMICRFunctionPostPrint(1, block 38 v0x0100, 21) = 0\n"
                                      "BiSCNMICRFunctionPostPrint(1, null, 0) = 0\n"),
            std::string::npos)
      << writes;
  // Byte for byte: the first scan reads the MICR line and both faces into the main pocket (the
  // library's own +8 = 1 and pocket code 34 at +20 kept), the second franks into the sub pocket
  // and lets the MICR callback decide what follows (+8 = 0).
  std::vector<Bytes> scanBlocks = BlocksBeforeEachScan(CallLog(), 16);
  ASSERT_EQ(scanBlocks.size(), 2u) << writes;
  Bytes firstScan = FreshBlock(295, 0x0101);
  Put32(&firstScan, 16, 5);
  Bytes secondScan = firstScan;
  secondScan[33] = secondScan[34] = secondScan[35] = 2;
  EXPECT_EQ(scanBlocks[0], firstScan);
  EXPECT_EQ(scanBlocks[1], secondScan);
  std::vector<Bytes> handlingBlocks = BlocksBeforeEachScan(CallLog(), 21);
  ASSERT_EQ(handlingBlocks.size(), 2u) << writes;
  EXPECT_EQ(handlingBlocks[0], Handling(34, 0, 1500, 1));
  EXPECT_EQ(handlingBlocks[1], Handling(36, 1, 300, 0));
  // The scanner saw the first cheque go to the main pocket (34) and the second, franked, to the
  // sub pocket (36).
  std::string scans = LinesWith(SimLog(), "scan ");
  EXPECT_NE(scans.find("font E13B pocket 34\n"), std::string::npos) << scans;
  EXPECT_NE(scans.find("pocket 36 franking\n"), std::string::npos) << scans;

  ASSERT_NO_FATAL_FAILURE(Press(kFinish, "Finish"));
  DWORD exitCode = 1;
  ASSERT_TRUE(checker_.WaitForExit(kWaitMs, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  std::string log = CallLog();
  std::string tail = log.substr(log.size() > 200 ? log.size() - 200 : 0);
  EXPECT_NE(tail.find("BiSCNMICRCancelFunction(1, 1) = 0\nBiSCNMICRCancelStatusBack(1) = 0\nBiCloseMonPrinter(1) = 0\n"),
            std::string::npos)
      << tail;
}

TEST_F(OperationCheck, OnePocketSkipsPage9AndBackFrom10ReturnsTo8WithFiveResults) {
  Sim("profile one-pocket.json");
  Sim("api franker on");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  EXPECT_TRUE(checker_.PageControlVisible(kOnePocketList));
  EXPECT_FALSE(checker_.PageControlVisible(kTwoPocketList));
  ToPage3();
  Answer(kYes);
  Next();
  ExpectPage(4);
  Answer(kYes);
  Next();
  ExpectPage(5);
  Answer(kYes);
  Next();
  ExpectPage(6);
  EXPECT_TRUE(checker_.PageControlVisible(kStep2OnePocket));
  EXPECT_FALSE(checker_.PageControlVisible(kStep2TwoPockets));
  Next();
  ExpectBox(kFrankingQuestion, IDYES);
  ExpectPage(8);
  Answer(kNo);
  Next();
  ExpectPage(10);
  Back();
  ExpectPage(8);
  ExpectButtons("- - - C");
  Answer(kNo);
  Next();
  ExpectPage(10);
  Answer(kYes);
  Next();
  ExpectPage(11);
  ASSERT_EQ(checker_.ListCount(kResultList), 5);
  EXPECT_EQ(Utf8(checker_.ListText(kResultList, 3)), "Buzzer");
  EXPECT_EQ(checker_.ListImage(kResultList, 3), 1);
  EXPECT_EQ(Utf8(checker_.ListText(kResultList, 4)), "Franking");
  EXPECT_EQ(checker_.ListImage(kResultList, 4), 0);
  ASSERT_TRUE(checker_.SelectListRow(kResultList, 3));
  EXPECT_TRUE(WaitUntil([&] { return Utf8(checker_.PageText(kDetailsEdit)).rfind("[Cause]\r\n    QX-R7000 may be broken.", 0) == 0; }, kWaitMs))
      << Utf8(checker_.PageText(kDetailsEdit));
  std::string scans = LinesWith(SimLog(), "scan ");
  EXPECT_NE(scans.find("pocket 36 franking\n"), std::string::npos) << scans;
}

TEST_F(OperationCheck, WithoutAFrankerNothingIsAskedAndFrankingIsNotChecked) {
  Sim("api franker off");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  ToPage3();
  FromPage3ToPage8(0);
  Answer(kYes);
  Next();
  ExpectPage(9);
  Answer(kYes);
  Next();
  ExpectPage(11);
  ASSERT_EQ(checker_.ListCount(kResultList), 6);
  EXPECT_EQ(Utf8(checker_.ListText(kResultList, 5)), "Franking");
  EXPECT_EQ(checker_.ListImage(kResultList, 5), 2);
  ASSERT_TRUE(checker_.SelectListRow(kResultList, 5));
  EXPECT_TRUE(WaitUntil([&] { return Utf8(checker_.PageText(kDetailsEdit)) == "This operation was not checked."; }, kWaitMs))
      << Utf8(checker_.PageText(kDetailsEdit));
  std::string scans = LinesWith(SimLog(), "scan ");
  EXPECT_NE(scans.find("pocket 36\n"), std::string::npos) << scans;
}

TEST_F(OperationCheck, Page1RefusesAnOfflineScannerAndAMissingChequeAndAsksAboutAFullPocket) {
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  Next();
  ExpectPage(1);
  Sim("api offline on");
  Next();
  ExpectBox("QX-R7000 is offline.\nConfirm the QX-R7000 is connected properly and the ERROR LED is not on.", IDOK);
  EXPECT_EQ(checker_.ActivePage(), 1);
  Sim("api offline off");
  Sim("api documents clear");
  Next();
  ExpectBox("Check is not in the ASF/SF.\nLoad a check in the ASF/SF and confirm that the DOCUMENT LED is on.", IDOK);
  EXPECT_EQ(checker_.ActivePage(), 1);
  Sim(std::string("api feed micr=") + kMicrLine);
  Sim("api main-pocket near-full");
  Next();
  ExpectBox("Main pocket of the QX-R7000 is nearly full of paper.\nAre you sure you want to continue?", IDCANCEL);
  EXPECT_EQ(checker_.ActivePage(), 1);
  ExpectButtons("B N - C");
  Next();
  ExpectBox("Main pocket of the QX-R7000 is nearly full of paper.\nAre you sure you want to continue?", IDOK);
  ExpectPage(3);
}

// Each case: a fault of the first scan, and where it leads.
struct ScanCase {
  const char* fault;
  const char* message;  // null: none, the check goes on to page 3
};

TEST_F(OperationCheck, TheEndOfTheFirstScanDecidesBetweenPage3AndTroubleshooting) {
  const ScanCase cases[] = {
      {"paper-jam", "Paper jam has occurred.\nRemove paper and try this operation again."},
      {"mechanical", "Mechanical error occurred.\n Try this operation again."},
      {"cover-opened",
       "Cover is open.\nClose the cover, confirm that the ERROR LED is not on, and try this operation again."},
      {"result -1020",
       "ERR_PAPER_JAM\n\nFollow the steps below.\n    1. Remove paper if remained.\n    2. Make sure the check in the ASF/SF is aligned."},
      // The library aborting the scan on its own is a failed scan, not a cancelled one.
      {"result -430",
       "ERR_ABORT\n\nFollow the steps below.\n    1. Remove paper if remained.\n    2. Make sure the check in the ASF/SF is aligned."},
      {"micr-nodata", nullptr},
      {"micr-baddata", nullptr},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.fault);
    Sim("profile default.json");
    Sim(std::string("api fault ") + c.fault);
    ASSERT_NO_FATAL_FAILURE(StartWizard());
    Next();
    ExpectPage(1);
    Next();
    ExpectPage(2);
    if (c.message != nullptr) {
      ExpectBox(c.message, IDOK);
      ExpectPage(12);
      ExpectButtons("- - F -");
      if (std::string(c.fault) == "paper-jam") Screenshot("checker-12-troubleshooting");
    } else {
      ExpectPage(3);
      EXPECT_EQ(Utf8(checker_.PageText(kFormatEdit)), "E13B");
    }
    // The close box ends a finishing page at once; elsewhere it asks first.
    if (c.message != nullptr) {
      checker_.PostSystemCommand(SC_CLOSE);
      EXPECT_TRUE(checker_.WaitForExit(kWaitMs));
    } else {
      checker_.PostSystemCommand(SC_CLOSE);
      ExpectBox("This program is not complete.\nAre you sure you want to quit this program?", IDOK);
      ExpectPage(17);
      ASSERT_NO_FATAL_FAILURE(Press(kFinish, "Finish"));
      EXPECT_TRUE(checker_.WaitForExit(kWaitMs));
    }
    checker_.Close();
  }
}

TEST_F(OperationCheck, AFailedSecondScanLeadsToTroubleshootingToo) {
  // The first scan reads no MICR data (the user judges it on page 3); the second jams.
  Sim("api fault micr-nodata");
  Sim("api fault paper-jam");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  ToPage3();
  EXPECT_EQ(Utf8(checker_.PageText(kMicrTextEdit)), "");
  Answer(kNo);
  Next();
  ExpectPage(4);
  Answer(kYes);
  Next();
  ExpectPage(5);
  Answer(kYes);
  Next();
  ExpectPage(6);
  Next();
  ExpectBox(kFrankingQuestion, IDNO);
  ExpectPage(7);
  ExpectBox("Paper jam has occurred.\nRemove paper and try this operation again.", IDOK);
  ExpectPage(12);
  ExpectButtons("- - F -");
  std::string scans = LinesWith(SimLog(), "scan ");
  EXPECT_NE(scans.find("pocket 36 fault paper-jam\n"), std::string::npos) << scans;
}

TEST_F(OperationCheck, AScanTheLibraryRefusesToStartIsAFailureNotPage3) {
  Sim("api refuse BiSCNMICRFunctionPostPrint/0 -110");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  Next();
  ExpectPage(1);
  Next();
  CheckerSession::Box box;
  ASSERT_TRUE(checker_.WaitForBox(&box, kWaitMs));
  std::string text = Utf8(box.text);
  checker_.Answer(box, IDOK);
  // The message names the library's own code from starting the scan.
  EXPECT_EQ(text.rfind("ERR_OFFLINE\n\nFollow the steps below.", 0), 0u) << text;
  ExpectPage(12);
  EXPECT_EQ(LinesWith(CallLog(), "(1, null, 0) = "), "BiSCNMICRFunctionPostPrint(1, null, 0) = -110\n");
}

TEST_F(OperationCheck, ARefusedParameterBlockShowsErrorOccurredAndStartsNoScan) {
  // Page 1 writes the MicrBlock (code 17) before it lets the user on.
  Sim("api refuse BiSCNMICRFunctionPostPrint/17 -90");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  Next();
  ExpectPage(1);
  Next();
  ExpectBox("Error occurred.", IDOK);
  EXPECT_EQ(checker_.ActivePage(), 1);
  // The first scan page writes the ScanBlock (code 16): refused, no scan starts and only Cancel
  // leads on.
  Sim("api refuse clear");
  Sim("api refuse BiSCNMICRFunctionPostPrint/16 -90");
  Next();
  ExpectPage(2);
  ExpectBox("Error occurred.", IDOK);
  ExpectNoBox(2500);
  EXPECT_EQ(checker_.ActivePage(), 2);
  ExpectButtons("- - - C");
  EXPECT_EQ(LinesWith(CallLog(), ", 0) = "), "");
  EXPECT_EQ(LinesWith(SimLog(), "scan "), "");
}

TEST_F(OperationCheck, CancellingARunningScanLeadsToPage17WithoutAnError) {
  Sim("api fault never-ends");
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  Next();
  ExpectPage(1);
  Next();
  ExpectPage(2);
  // Cancel, then Cancel in the question: the same page, the same buttons.
  ASSERT_NO_FATAL_FAILURE(Press(kCancel, "Cancel"));
  ExpectBox("This program is not complete.\nAre you sure you want to quit this program?", IDCANCEL);
  EXPECT_EQ(checker_.ActivePage(), 2);
  ExpectButtons("- - - C");
  ASSERT_NO_FATAL_FAILURE(Press(kCancel, "Cancel"));
  ExpectBox("This program is not complete.\nAre you sure you want to quit this program?", IDOK);
  ExpectPage(17);
  ExpectButtons("- - F -");
  ExpectNoBox(3000);
  Screenshot("checker-17-interrupted");
  EXPECT_NE(CallLog().find("BiSCNMICRCancelFunction(1, 1) = 0"), std::string::npos);
  ASSERT_NO_FATAL_FAILURE(Press(kFinish, "Finish"));
  EXPECT_TRUE(checker_.WaitForExit(kWaitMs));
}

TEST_F(OperationCheck, TheCloseBoxAsksBeforeItInterruptsAndTheAboutBoxOpensFromTheSystemMenu) {
  ASSERT_NO_FATAL_FAILURE(StartWizard());
  HWND wizard = checker_.Wizard();
  EXPECT_NE(GetWindowLongW(wizard, GWL_STYLE) & WS_MINIMIZEBOX, 0);
  // (Its icons cannot be read from here: Wine answers WM_GETICON from another process with none.)
  Next();
  ExpectPage(1);
  checker_.PostSystemCommand(SC_CLOSE);
  ExpectBox("This program is not complete.\nAre you sure you want to quit this program?", IDCANCEL);
  EXPECT_EQ(checker_.ActivePage(), 1);
  ExpectButtons("B N - C");
  EXPECT_TRUE(checker_.Running());

  checker_.PostSystemCommand(0x0010);
  HWND about = nullptr;
  EXPECT_TRUE(WaitUntil(
      [&] {
        about = FindWindowW(nullptr, L"About QX-R7000 Operation Checker");
        return about != nullptr;
      },
      kWaitMs));
  if (about != nullptr) PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(WaitUntil([] { return FindWindowW(nullptr, L"About QX-R7000 Operation Checker") == nullptr; }, kWaitMs));

  checker_.PostSystemCommand(SC_CLOSE);
  ExpectBox("This program is not complete.\nAre you sure you want to quit this program?", IDOK);
  ExpectPage(17);
  checker_.PostSystemCommand(SC_CLOSE);
  EXPECT_TRUE(checker_.WaitForExit(kWaitMs));
}

TEST_F(OperationCheck, AScannerHeldByAnotherProgramShows125AndNoWizard) {
  Sim("api held on");
  ASSERT_TRUE(checker_.Start(ProgramFolder() + "R7000Check.exe"));
  ExpectBox("Another API for QX-R7000 is running.\nExit the API.", IDOK);
  EXPECT_TRUE(checker_.WaitForExit(kWaitMs));
  EXPECT_EQ(checker_.Wizard(), nullptr);
}

}  // namespace
}  // namespace qx::test
