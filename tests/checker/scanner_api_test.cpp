// CScannerApi against the stand-in NorvaScanApiWrapper.dll and the virtual scanner: the calls it
// makes (read back from the library's own call log), what it shows, and what the callbacks do.
#include "checker/scanner_api.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>

#include "tests/checker/checker_test_support.h"

namespace qx::checker {
namespace {

using checkertest::Api;
using checkertest::BoxWatcher;
using checkertest::CallLog;
using checkertest::WaitFor;

constexpr wchar_t kCaption[] = L"QX-R7000 Operation Checker";

class ScannerApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(checkertest::PrepareSimulator(&sim_, "default.json", &why)) << why;
  }
  std::vector<std::string> Calls() const { return log_.Calls(); }

  simtest::SimAddresses sim_;
  CallLog log_;
};

bool LibraryLoaded() { return GetModuleHandleW(L"NorvaScanApiWrapper.dll") != nullptr; }

TEST_F(ScannerApiTest, OpenCallsTheLibraryInItsOrder) {
  BoxWatcher boxes;
  CScannerApi api;
  ASSERT_EQ(api.OpenScanner(), 0);
  std::vector<std::string> expected = {
      "BiESCNEnable(1) = 0",
      "BiOpenMonPrinter(2, \"QX-R7000U\") = 1",
      "BiSCNMICRSetStatusBackFunction(1, callback) = 0",
      "BiSetStatusBackFunction(1, callback) = 0",
      "BiSCNMICRFunctionPostPrint(1, block 39 v0x0100, 50) = 0",
      "BiSCNMICRFunctionPostPrint(1, block 39 v0x0100, 18) = 0",
      "BiSCNMICRFunctionPostPrint(1, block 39 v0x0100, 50) = 0",
      "BiSCNMICRFunctionPostPrint(1, block 39 v0x0100, 19) = 0",
      "BiSCNMICRFunctionPostPrint(1, block 1729 v0x0100, 49) = 0",
      "BiSCNMICRFunctionPostPrint(1, block 1729 v0x0100, 17) = 0",
      "BiSCNMICRFunctionPostPrint(1, block 61 v0x0101, 52) = 0",
      "BiSCNMICRFunctionPostPrint(1, block 61 v0x0101 text \"\", 20) = 0",
      "BiMICRSelectDataHandling(1, 1, 0, 1) = 0",
      "BiSCNMICRFunctionPostPrint(1, null, 37) = 0",
      "BiGetPrnCapability(1, 112, 80) = 0",
  };
  EXPECT_EQ(Calls(), expected);
  EXPECT_EQ(api.GetPocketCount(), 2);
  EXPECT_TRUE(boxes.Boxes().empty());

  api.CloseScanner();
  std::vector<std::string> calls = Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
            (std::vector<std::string>{"BiSCNMICRCancelFunction(1, 1) = 0", "BiSCNMICRCancelStatusBack(1) = 0",
                                      "BiCloseMonPrinter(1) = 0"}));
  EXPECT_FALSE(LibraryLoaded());
  EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, L"ScanEvent"), nullptr);
}

TEST_F(ScannerApiTest, OnePocketScannerIsSeenAsOne) {
  std::string why;
  ASSERT_TRUE(checkertest::PrepareSimulator(&sim_, "one-pocket.json", &why)) << why;
  CScannerApi api;
  ASSERT_EQ(api.OpenScanner(), 0);
  EXPECT_EQ(api.GetPocketCount(), 1);
  EXPECT_NE(api.GetStatus() & kStatusNoFranker, 0u);
}

TEST_F(ScannerApiTest, ScannerHeldElsewhereShows125AndClosesWithoutCalls) {
  ASSERT_TRUE(Api(sim_, "held on"));
  BoxWatcher boxes;
  CScannerApi api;
  EXPECT_EQ(api.OpenScanner(), kErrOpened);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, kCaption);
  EXPECT_EQ(boxes.Boxes()[0].text, L"Another API for QX-R7000 is running.\nExit the API.");
  EXPECT_EQ(log_.Names(), (std::vector<std::string>{"BiESCNEnable", "BiOpenMonPrinter"}));
  EXPECT_TRUE(LibraryLoaded());

  api.CloseScanner();
  EXPECT_EQ(log_.Names().size(), 2u) << "a failed open is closed without library calls";
  EXPECT_FALSE(LibraryLoaded());
  EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, L"ScanEvent"), nullptr);
  EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, L"CancelEvent"), nullptr);
}

TEST_F(ScannerApiTest, NoScannerShows104) {
  std::string why;
  ASSERT_TRUE(checkertest::PrepareSimulator(&sim_, "no-scanner.json", &why)) << why;
  BoxWatcher boxes;
  CScannerApi api;
  EXPECT_EQ(api.OpenScanner(), kErrNoPrinter);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].caption, kCaption);
  EXPECT_EQ(boxes.Boxes()[0].text,
            L"QX-R7000 is offline.\nConfirm the QX-R7000 is connected properly and the ERROR LED is not on.");
}

TEST_F(ScannerApiTest, RegistrationFailureEndsOpenWithItsCodeAndNoMessage) {
  for (const char* function : {"BiSCNMICRSetStatusBackFunction", "BiSetStatusBackFunction"}) {
    SCOPED_TRACE(function);
    ASSERT_TRUE(Api(sim_, "refuse clear"));
    ASSERT_TRUE(Api(sim_, std::string("refuse ") + function + " -160"));
    BoxWatcher boxes;
    CScannerApi api;
    EXPECT_EQ(api.OpenScanner(), -160);
    EXPECT_EQ(log_.Names().back(), function);
    Sleep(100);
    EXPECT_TRUE(boxes.Boxes().empty());
    // The scanner was opened, so it is closed.
    api.CloseScanner();
    EXPECT_EQ(log_.Names().back(), "BiCloseMonPrinter");
  }
}

TEST_F(ScannerApiTest, HandleZeroIsAnOpenScannerAndIsClosed) {
  ASSERT_TRUE(Api(sim_, "handle 0"));
  CScannerApi api;
  ASSERT_EQ(api.OpenScanner(), 0);
  api.CancelScan();
  EXPECT_EQ(Calls().back(), "BiSCNMICRCancelFunction(0, 1) = 0");
  api.CloseScanner();
  std::vector<std::string> calls = Calls();
  EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
            (std::vector<std::string>{"BiSCNMICRCancelFunction(0, 1) = 0", "BiSCNMICRCancelStatusBack(0) = 0",
                                      "BiCloseMonPrinter(0) = 0"}));
  // A second open of the scanner works: the first was really closed.
  CScannerApi again;
  EXPECT_EQ(again.OpenScanner(), 0);
}

TEST_F(ScannerApiTest, PocketCountIsAskedAgainUntilKnown) {
  ASSERT_TRUE(Api(sim_, "refuse BiGetPrnCapability -100"));
  CScannerApi api;
  ASSERT_EQ(api.OpenScanner(), 0);
  EXPECT_EQ(api.GetPocketCount(), CScannerApi::kUnknownPocketCount);
  EXPECT_EQ(api.GetPocketCount(), CScannerApi::kUnknownPocketCount);
  EXPECT_EQ(log_.Count("BiGetPrnCapability("), 3u);
  ASSERT_TRUE(Api(sim_, "refuse clear"));
  EXPECT_EQ(api.GetPocketCount(), 2);
  EXPECT_EQ(api.GetPocketCount(), 2);
  EXPECT_EQ(log_.Count("BiGetPrnCapability("), 4u);
}

TEST_F(ScannerApiTest, EachGetterContactsTheLibraryOnce) {
  CScannerApi api;
  ASSERT_EQ(api.OpenScanner(), 0);
  std::size_t before37 = log_.Count("BiSCNMICRFunctionPostPrint(1, null, 37)");
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(api.GetScanBlock(), nullptr);
    EXPECT_NE(api.GetMicrBlock(), nullptr);
    EXPECT_NE(api.GetHandlingBlock(), nullptr);
    EXPECT_NE(api.GetImageBlock(CScannerApi::kFaceFront), nullptr);
    EXPECT_NE(api.GetImageBlock(CScannerApi::kFaceBack), nullptr);
  }
  EXPECT_EQ(api.GetImageBlock(2), nullptr);
  EXPECT_EQ(log_.Count("BiSCNMICRFunctionPostPrint(1, block 295 v0x0101, 48)"), 1u);
  EXPECT_EQ(log_.Count("BiSCNMICRFunctionPostPrint(1, block 1729 v0x0100, 49)"), 2u);  // open, then the getter
  EXPECT_EQ(log_.Count("BiSCNMICRFunctionPostPrint(1, block 38 v0x0100, 53)"), 1u);
  EXPECT_EQ(log_.Count("BiSCNMICRFunctionPostPrint(1, null, 37)"), before37 + 1);
  EXPECT_EQ(log_.Count("BiSCNMICRFunctionPostPrint(1, block 39 v0x0100, 50)"), 2u);  // both at open
  // What the library keeps is what the checker wrote.
  HandlingBlock* handling = api.GetHandlingBlock();
  EXPECT_EQ(handling->pocket0, 34);
  handling->interval = 1500;
  EXPECT_EQ(api.SetHandlingBlock(handling), 0);
}

TEST_F(ScannerApiTest, FailedFirstFetchGivesNullOnceAndIsNotRepeated) {
  ASSERT_TRUE(Api(sim_, "refuse BiSCNMICRFunctionPostPrint/48 -90"));
  CScannerApi api;
  ASSERT_EQ(api.OpenScanner(), 0);
  EXPECT_EQ(api.GetScanBlock(), nullptr);
  EXPECT_NE(api.GetScanBlock(), nullptr);
  EXPECT_EQ(log_.Count("BiSCNMICRFunctionPostPrint(1, block 295 v0x0101, 48)"), 1u);
}

TEST_F(ScannerApiTest, ReadsRefuseAWrongSizeOrVersion) {
  CScannerApi api;
  ASSERT_EQ(api.OpenScanner(), 0);
  ScanBlock* scan = api.GetScanBlock();
  ASSERT_NE(scan, nullptr);
  scan->version = 0x0100;
  EXPECT_EQ(api.SetScanBlock(scan), kErrParam);
  scan->version = kScanBlockVersion;
  scan->size = 294;
  EXPECT_EQ(api.SetScanBlock(scan), kErrParam);
  scan->size = sizeof(ScanBlock);
  EXPECT_EQ(api.SetScanBlock(scan), 0);
}

TEST(ScannerApiNames, EveryNamedCodeAndDecimalOtherwise) {
  EXPECT_STREQ(CScannerApi::ErrorName(0), L"SUCCESS");
  EXPECT_STREQ(CScannerApi::ErrorName(-360), L"-360");
  EXPECT_STREQ(CScannerApi::ErrorName(-1050), L"ERR_MICR_BADDATA");
  EXPECT_STREQ(CScannerApi::ErrorName(-2040), L"ERR_EXEC_PRINT_VALIDATION");
  EXPECT_STREQ(CScannerApi::ErrorName(17), L"17");
  int named = 0;
  for (int code = -3000; code <= 100; ++code) {
    wchar_t decimal[16];
    swprintf(decimal, 16, L"%d", code);
    named += std::wcscmp(CScannerApi::ErrorName(code), decimal) != 0 ? 1 : 0;
  }
  EXPECT_EQ(named, 60);
  for (int code : {-360, -380, -390, -410}) {
    wchar_t expected[16];
    swprintf(expected, 16, L"%d", code);
    EXPECT_STREQ(CScannerApi::ErrorName(code), expected);
  }
}

TEST(ScannerApiResults, CheckResultsTakeOnlyZeroOrOne) {
  CScannerApi api;
  for (int i = 0; i < CScannerApi::kCheckResults; ++i) EXPECT_EQ(api.GetCheckResult(i), 0);
  api.SetCheckResult(1, 1);
  api.SetCheckResult(2, 5);
  api.SetCheckResult(6, 1);
  api.SetCheckResult(-1, 1);
  EXPECT_EQ(api.GetCheckResult(1), 1);
  EXPECT_EQ(api.GetCheckResult(2), 0);
  api.SetCheckResult(1, 0);
  EXPECT_EQ(api.GetCheckResult(1), 0);
}

// The callbacks called as the library would, without a library.
TEST(ScannerApiCallbacks, StatusCodesAndTheResultField) {
  CScannerApi api;
  CScannerApi::MicrCallback(0, 0, 0xFBE6, 0);
  EXPECT_EQ(api.GetLastResult(), -1050);
  CScannerApi::MicrCallback(0, 0, 0, 0);
  EXPECT_EQ(api.GetLastResult(), -1050) << "a zero status with a zero result field keeps the last value";
  CScannerApi::MicrCallback(0, 0, 0x7FFF0000 | 0xFBF0, 0);
  EXPECT_EQ(api.GetLastResult(), -1040) << "only the low 16 bits are the code";
  EXPECT_EQ(api.GetScanBlock(), nullptr) << "no library: the first fetch fails";
  ScanBlock* scan = api.GetScanBlock();
  ASSERT_NE(scan, nullptr);
  scan->result = -1020;
  CScannerApi::MicrCallback(0, 0, 0, 0);
  EXPECT_EQ(api.GetLastResult(), -1020);

  CScannerApi::MicrCallback(0, 200, 0, 0);
  EXPECT_EQ(api.IsBusy(), 1);
  CScannerApi::MicrCallback(0, 0x10000 | 205, 0, 0);
  EXPECT_EQ(api.IsBusy(), 0);
}

TEST(ScannerApiCallbacks, NothingHappensWithoutTheObject) {
  { CScannerApi gone; }
  EXPECT_EQ(CScannerApi::MicrCallback(0, 200, 0xFBE6, 0), 0);
  EXPECT_EQ(CScannerApi::StatusCallback(0x400), 0);
  CScannerApi api;
  EXPECT_EQ(api.GetLastResult(), 0);
  EXPECT_EQ(api.IsBusy(), 0);
}

}  // namespace
}  // namespace qx::checker
