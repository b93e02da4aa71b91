// The checker with a scanner API library that lacks most of the functions it calls: an empty slot
// is never called, and each operation falls back to what a failing call would give.
#include <gtest/gtest.h>

#include <string>

#include "checker/scanner_api.h"
#include "tests/checker/checker_test_support.h"

namespace qx::checker {
namespace {

std::string LibraryCalls() {
  HMODULE library = GetModuleHandleW(L"NorvaScanApiWrapper.dll");
  if (library == nullptr) return "(not loaded)";
  auto calls = reinterpret_cast<const char*(WINAPI*)()>(GetProcAddress(library, "PartialLibraryCalls"));
  return calls != nullptr ? calls() : "(no record)";
}

TEST(PartialLibrary, MissingFunctionsAreNeverCalled) {
  checkertest::BoxWatcher boxes;
  CScannerApi api;
  ASSERT_EQ(api.OpenScanner(), 0) << "open, the MICR callback and close are there: enough to open";
  EXPECT_TRUE(boxes.Boxes().empty());
  EXPECT_EQ(LibraryCalls(), "BiOpenMonPrinter;BiSCNMICRSetStatusBackFunction;");
  EXPECT_EQ(api.GetPocketCount(), CScannerApi::kUnknownPocketCount);
  EXPECT_EQ(api.GetStatus(), 0xFFFFFFFFu) << "read as offline";
  EXPECT_EQ(api.GetScanBlock(), nullptr);
  EXPECT_EQ(api.GetMicrBlock(), nullptr);
  EXPECT_EQ(api.GetHandlingBlock(), nullptr);
  EXPECT_EQ(api.SetScanBlock(api.GetScanBlock()), kErrNotSupport);
  EXPECT_EQ(api.CleanMicr(), kErrNotSupport);
  // No end of scan ever comes without a start function: a wait here would never return.
  EXPECT_EQ(api.ExecuteAndWait(), kErrNotSupport) << "no start function: a start that failed";
  api.CancelScan();
  // The library's callback arrives with nothing to call back into.
  CScannerApi::MicrCallback(1, 203, 0, 0);
  CScannerApi::StatusCallback(0x400);
  EXPECT_EQ(api.GetMicrText(), L"");
  EXPECT_EQ(api.GetImageBlock(0)->image, nullptr);
  EXPECT_EQ(LibraryCalls(), "BiOpenMonPrinter;BiSCNMICRSetStatusBackFunction;");
  api.CloseScanner();
  EXPECT_EQ(GetModuleHandleW(L"NorvaScanApiWrapper.dll"), nullptr);
}

}  // namespace
}  // namespace qx::checker
