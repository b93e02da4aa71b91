// Scans through CScannerApi, the stand-in library and the virtual scanner: the callbacks' hand-over
// to the GUI thread, cancelling, the pictures, and the faults the scanner shows.
#include <gtest/gtest.h>

#include <cstring>
#include <atomic>
#include <random>
#include <thread>

#include "checker/scanner_api.h"
#include "tests/checker/checker_test_support.h"

namespace qx::checker {
namespace {

using checkertest::Api;
using checkertest::CallLog;
using checkertest::WaitFor;

struct DibFacts {
  bool valid = false;
  int width = 0, height = 0, bits = 0;
  unsigned darkPixels = 0;  // ink
};

// Reads a face's packed bitmap as the image pages draw it.
DibFacts ReadDib(void* image) {
  DibFacts f;
  if (image == nullptr) return f;
  SIZE_T size = GlobalSize(image);
  const auto* header = static_cast<const BITMAPINFOHEADER*>(image);
  if (size < sizeof(BITMAPINFOHEADER) || header->biSize != sizeof(BITMAPINFOHEADER)) return f;
  f.width = header->biWidth;
  f.height = header->biHeight;
  f.bits = header->biBitCount;
  std::size_t stride = (static_cast<std::size_t>(f.width) + 3) & ~std::size_t{3};
  std::size_t pixels = sizeof(BITMAPINFOHEADER) + (std::size_t{1} << f.bits) * 4;
  if (f.bits != 8 || size < pixels + stride * static_cast<std::size_t>(f.height)) return f;
  const auto* rows = static_cast<const std::uint8_t*>(image) + pixels;
  for (std::size_t i = 0; i < stride * static_cast<std::size_t>(f.height); ++i) f.darkPixels += rows[i] < 100 ? 1 : 0;
  f.valid = true;
  return f;
}

class ScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(checkertest::PrepareSimulator(&sim_, "default.json", &why)) << why;
    ASSERT_TRUE(Api(sim_, "timing scan 60 eject 20 cleaning 100"));
  }
  void Open() { ASSERT_EQ(api_.OpenScanner(), 0); }
  // The scan as the first scan page runs it, and the wait for the busy flag to drop.
  void Scan() {
    ASSERT_EQ(api_.ExecuteAndWait(), 0) << "the library refused to start the scan";
    ASSERT_TRUE(WaitFor([this] { return api_.IsBusy() == 0; }, 5000)) << "the library never reported the end";
  }

  simtest::SimAddresses sim_;
  CallLog log_;
  CScannerApi api_;
};

TEST_F(ScanTest, DataReadyFillsTheMicrTextAndBothPictures) {
  Open();
  // Page 1 fetches the block (and sets the font) before the scan.
  MicrBlock* micr = api_.GetMicrBlock();
  ASSERT_NE(micr, nullptr);
  micr->font = 0;
  ASSERT_EQ(api_.SetMicrBlock(micr), 0);
  Scan();
  EXPECT_EQ(api_.GetLastResult(), 0);
  EXPECT_EQ(api_.GetMicrText(), L"A021000021A 1234567890C 1001");
  EXPECT_STREQ(micr->text, "A021000021A 1234567890C 1001");
  DibFacts front = ReadDib(api_.GetImageBlock(0)->image);
  DibFacts back = ReadDib(api_.GetImageBlock(1)->image);
  ASSERT_TRUE(front.valid);
  ASSERT_TRUE(back.valid);
  EXPECT_EQ(front.bits, 8);
  EXPECT_EQ(front.width, 600);
  EXPECT_EQ(front.height, 275);
  EXPECT_GT(front.darkPixels, 2000u) << "printed fields and the MICR line";
  EXPECT_GT(back.darkPixels, 100u) << "the endorsement";
  EXPECT_LT(back.darkPixels, front.darkPixels);

  std::vector<std::string> lines = log_.Lines();
  auto at = [&](const std::string& prefix) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    }
    return -1;
  };
  int started = at("callback MICR(1, 200, 0x0000)");
  int ready = at("callback MICR(1, 203, 0x0000)");
  int ended = at("callback MICR(1, 205, 0x0000)");
  ASSERT_GE(started, 0);
  EXPECT_LT(started, ready);
  EXPECT_LT(ready, ended);
  // What the callback asked for between data ready and the end, in its order.
  std::vector<std::string> between(lines.begin() + ready + 1, lines.begin() + ended);
  std::vector<std::string> names;
  for (const std::string& l : between) names.push_back(l.substr(0, l.find('(')));
  EXPECT_EQ(names, (std::vector<std::string>{"BiGetMicrText", "BiSCNSelectScanFace", "BiSCNSetImageQuality",
                                             "BiSCNSetImageFormat", "BiGetScanImage", "BiSCNSelectScanFace",
                                             "BiSCNSetImageQuality", "BiSCNSetImageFormat", "BiGetScanImage",
                                             "BiSetBehaviorToScnResult"}));
  EXPECT_EQ(between.back(), "BiSetBehaviorToScnResult(1, 36, 0, 3) = 0");
}

TEST_F(ScanTest, MicrFaultsSetLastResultAndTheText) {
  Open();
  ASSERT_TRUE(Api(sim_, "fault micr-baddata"));
  Scan();
  EXPECT_EQ(api_.GetLastResult(), kErrMicrBadData);
  EXPECT_NE(api_.GetMicrText().find(L'?'), std::wstring::npos);
  ASSERT_TRUE(Api(sim_, "fault micr-nodata"));
  Scan();
  EXPECT_EQ(api_.GetLastResult(), kErrMicrNoData);
  EXPECT_EQ(api_.GetMicrText(), L"");
  // A clean scan reports no code: the last value stays, as the checker has always kept it.
  Scan();
  EXPECT_EQ(api_.GetLastResult(), kErrMicrNoData);
  EXPECT_EQ(api_.GetMicrText(), L"A021000021A 1234567890C 1003");
}

TEST_F(ScanTest, ResultWithoutStatusBitAndPaperJam) {
  Open();
  ASSERT_TRUE(Api(sim_, "fault result -1020"));
  Scan();
  EXPECT_EQ(api_.GetLastResult(), -1020);
  EXPECT_EQ(api_.GetStatus() & kStatusError, 0u);

  ASSERT_TRUE(Api(sim_, "fault paper-jam"));
  Scan();
  EXPECT_EQ(api_.GetLastResult(), -1020);
  EXPECT_NE(api_.GetStatus() & kStatusError, 0u);
  // The status callback heard the error bit and asked the library to clear the error.
  ASSERT_TRUE(WaitFor([this] { return log_.Count("BiCancelError(1)") == 1; }, 2000));

  ASSERT_TRUE(Api(sim_, "remove-paper"));
  ASSERT_TRUE(Api(sim_, "fault mechanical"));
  Scan();
  std::uint32_t status = api_.GetStatus();
  EXPECT_EQ(status & kStatusMechanicalError, kStatusMechanicalError);
  Sleep(200);
  EXPECT_EQ(log_.Count("BiCancelError(1)"), 1u) << "a mechanical error is not cleared by the checker";

  ASSERT_TRUE(Api(sim_, "remove-paper"));
  ASSERT_TRUE(Api(sim_, "fault cover-opened"));
  Scan();
  EXPECT_EQ(api_.GetLastResult(), -1030);
  EXPECT_NE(api_.GetStatus() & kStatusCoverOpen, 0u);
}

// A thread timer fires only while the thread dispatches messages: inside the wait.
CScannerApi* g_timerApi = nullptr;
int g_timerTicks = 0;
void CALLBACK CancelOnTick(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  ++g_timerTicks;
  g_timerApi->CancelScan();
}

TEST_F(ScanTest, CancelEndsTheWaitAndInputIsDispatchedMeanwhile) {
  Open();
  ASSERT_TRUE(Api(sim_, "fault never-ends"));
  g_timerApi = &api_;
  g_timerTicks = 0;
  SetTimer(nullptr, 0, 200, CancelOnTick);
  api_.ExecuteAndWait();
  EXPECT_EQ(g_timerTicks, 1);
  ASSERT_TRUE(WaitFor([this] { return api_.IsBusy() == 0 && api_.GetLastResult() == kErrAbort; }, 5000));
  EXPECT_EQ(log_.Count("BiSCNMICRCancelFunction(1, 1) = 0"), 1u);
  ASSERT_TRUE(WaitFor([this] { return log_.Count("callback MICR(1, 205, 0xFE52)") == 1; }, 2000));
  // The cancelled cheque stayed in the feeder: the next scan reads it.
  Scan();
  EXPECT_EQ(api_.GetMicrText(), L"A021000021A 1234567890C 1001");
}

TEST_F(ScanTest, CancelRequestOfTheScannerIsPassedOn) {
  Open();
  ASSERT_TRUE(Api(sim_, "fault cancel-request"));
  Scan();
  EXPECT_EQ(log_.Count("BiSCNMICRCancelFunction(1, 34) = 0"), 1u);
  EXPECT_EQ(api_.GetLastResult(), kErrAbort);
}

TEST_F(ScanTest, StartFailureReturnsAtOnce) {
  Open();
  ASSERT_TRUE(Api(sim_, "offline on"));
  // No end of scan ever comes for a scan that did not start: a wait here would never return.
  EXPECT_EQ(api_.ExecuteAndWait(), -110) << "the library's code from starting the scan";
  EXPECT_EQ(log_.Calls().back(), "BiSCNMICRFunctionPostPrint(1, null, 0) = -110");
  EXPECT_NE(api_.GetStatus() & kStatusOffline, 0u);
}

TEST_F(ScanTest, FailedPictureReadLeavesNoFreedHandle) {
  Open();
  Scan();
  ASSERT_NE(api_.GetImageBlock(0)->image, nullptr);
  ASSERT_TRUE(Api(sim_, "refuse BiSCNSetImageFormat -90"));
  Scan();
  EXPECT_EQ(api_.GetImageBlock(0)->image, nullptr);
  EXPECT_EQ(api_.GetImageBlock(1)->image, nullptr);
  EXPECT_EQ(api_.GetMicrText(), L"A021000021A 1234567890C 1002");
}

TEST_F(ScanTest, FaceWhoseBlockFetchFailedIsNotRead) {
  ASSERT_TRUE(Api(sim_, "refuse BiSCNMICRFunctionPostPrint/19 -90"));
  Open();
  Scan();
  EXPECT_EQ(log_.Count("BiSCNSelectScanFace(1, 0)"), 1u);
  EXPECT_EQ(log_.Count("BiSCNSelectScanFace(1, 1)"), 0u);
  EXPECT_TRUE(ReadDib(api_.GetImageBlock(0)->image).valid);
  EXPECT_EQ(api_.GetImageBlock(1)->image, nullptr);
}

TEST_F(ScanTest, SecondScanEjectsIntoTheSubPocketWithFranking) {
  Open();
  HandlingBlock* handling = api_.GetHandlingBlock();
  ASSERT_NE(handling, nullptr);
  SetPocketCodes(handling, 36);
  SetFrankingFlags(handling, 1);
  handling->libraryDecides = 0;
  ASSERT_EQ(api_.SetHandlingBlock(handling), 0);
  Scan();
  EXPECT_EQ(log_.Count("BiSetBehaviorToScnResult(1, 36, 1, 3) = 0"), 1u);
  DibFacts franked = ReadDib(api_.GetImageBlock(1)->image);
  SetFrankingFlags(handling, 0);
  ASSERT_EQ(api_.SetHandlingBlock(handling), 0);
  Scan();
  DibFacts plain = ReadDib(api_.GetImageBlock(1)->image);
  EXPECT_GT(franked.darkPixels, plain.darkPixels) << "the franker's pattern on the back";
  std::vector<std::string> state = simtest::SimControl(sim_.control, "api state");
  bool subCounted = false;
  for (const std::string& l : state) subCounted |= l.find("sub pocket 2") != std::string::npos;
  EXPECT_TRUE(subCounted);
}

TEST_F(ScanTest, CleaningResultAndOfflineAfterwards) {
  Open();
  EXPECT_EQ(api_.CleanMicr(), 0);
  ASSERT_TRUE(Api(sim_, "cleaning fails"));
  EXPECT_EQ(api_.CleanMicr(), -440);
  ASSERT_TRUE(Api(sim_, "cleaning offline"));
  EXPECT_EQ(api_.CleanMicr(), 0);
  EXPECT_NE(api_.GetStatus() & kStatusOffline, 0u);
  // From a worker thread, as the cleaning page runs it.
  ASSERT_TRUE(Api(sim_, "offline off"));
  ASSERT_TRUE(Api(sim_, "cleaning ok"));
  int result = -1;
  std::thread worker([&] { result = api_.CleanMicr(); });
  worker.join();
  EXPECT_EQ(result, 0);
}

TEST_F(ScanTest, CloseWaitsForACleaningStillRunning) {
  ASSERT_TRUE(Api(sim_, "timing cleaning 700"));
  Open();
  std::atomic<int> result{-1};
  std::thread worker([&] { result = api_.CleanMicr(); });
  Sleep(200);  // the cleaning call is in the library now
  api_.CloseScanner();
  EXPECT_EQ(result.load(), 0) << "the cleaning had returned before the close";
  worker.join();
  std::vector<std::string> calls = log_.Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 4], "BiMICRCleaning(1) = 0");
  EXPECT_EQ(calls.back(), "BiCloseMonPrinter(1) = 0");
}

// Many scans, each cancelled at a random moment or left to end: every scan the library started
// must end exactly once, the wait must always come back, and every picture handle the checker
// holds must be a live one.
TEST_F(ScanTest, StressScansWithRandomCancelTiming) {
  int scans = 1000;
  if (const char* text = std::getenv("QX_SCAN_STRESS")) scans = std::atoi(text);
  ASSERT_TRUE(Api(sim_, "timing scan 4 eject 2 cleaning 10"));
  ASSERT_TRUE(Api(sim_, "cycle on"));
  Open();
  // The checker's own end-of-scan event, which the library's last callback sets.
  HANDLE scanEnded = OpenEventW(SYNCHRONIZE, FALSE, L"ScanEvent");
  ASSERT_NE(scanEnded, nullptr);
  std::mt19937 random(20261208);
  g_timerApi = &api_;
  for (int i = 0; i < scans; ++i) {
    int choice = static_cast<int>(random() % 3);
    UINT_PTR timer = 0;
    if (choice != 0) timer = SetTimer(nullptr, 0, static_cast<UINT>(random() % 12), CancelOnTick);
    api_.ExecuteAndWait();
    if (timer != 0) KillTimer(nullptr, timer);
    // A cancel ends the wait at once; the scan's end follows from the library.
    ASSERT_EQ(WaitForSingleObject(scanEnded, 5000), WAIT_OBJECT_0) << "scan " << i << " never ended";
    ASSERT_TRUE(WaitFor([this] { return api_.IsBusy() == 0; }, 5000)) << "scan " << i << " stays busy";
    for (int face = 0; face < 2; ++face) {
      void* image = api_.GetImageBlock(face)->image;
      if (image != nullptr) {
        ASSERT_TRUE(ReadDib(image).valid) << "scan " << i << " face " << face;
      }
    }
  }
  CloseHandle(scanEnded);
  api_.CloseScanner();
  std::vector<std::string> lines = log_.Lines();
  std::vector<int> ends(static_cast<std::size_t>(scans) + 1, 0);
  int starts = 0, cancelled = 0, completed = 0;
  for (const std::string& l : lines) {
    int tx = 0, event = 0;
    unsigned code = 0;
    if (std::sscanf(l.c_str(), "callback MICR(%d, %d, 0x%x)", &tx, &event, &code) != 3 || tx < 1 || tx > scans) continue;
    if (event != 205) continue;
    ++ends[static_cast<std::size_t>(tx)];
    (code == 0xFE52 ? cancelled : completed) += 1;
  }
  for (const std::string& l : lines) starts += l.rfind("BiSCNMICRFunctionPostPrint(1, null, 0) = 0", 0) == 0 ? 1 : 0;
  EXPECT_EQ(starts, scans);
  for (int tx = 1; tx <= scans; ++tx) EXPECT_EQ(ends[static_cast<std::size_t>(tx)], 1) << "scan " << tx;
  std::printf("%d scans: %d cancelled, %d ended on their own\n", scans, cancelled, completed);
}

}  // namespace
}  // namespace qx::checker
