// The checker started from a folder without NorvaScanApiWrapper.dll: this program is built into a
// folder of its own, where no library lies beside it.
#include <gtest/gtest.h>

#include "checker/scanner_api.h"
#include "tests/checker/checker_test_support.h"

namespace qx::checker {
namespace {

TEST(MissingLibrary, OpenShows107AndCallsNothing) {
  checkertest::CallLog log;
  checkertest::BoxWatcher boxes;
  CScannerApi api;
  EXPECT_EQ(api.OpenScanner(), ERROR_MOD_NOT_FOUND);
  std::vector<checkertest::BoxWatcher::Box> shown = boxes.Boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, L"QX-R7000 Operation Checker");
  EXPECT_EQ(shown[0].text, L"Failed to load \"NorvaScanApiWrapper.dll.\"");
  EXPECT_EQ(api.GetStatus(), 0xFFFFFFFFu);
  EXPECT_EQ(api.GetPocketCount(), CScannerApi::kUnknownPocketCount);
  EXPECT_EQ(api.GetScanBlock(), nullptr) << "no library: the first fetch fails";
  EXPECT_EQ(api.CleanMicr(), kErrNotSupport);
  EXPECT_EQ(api.ExecuteAndWait(), kErrNotSupport) << "no library: the start fails at once";
  EXPECT_EQ(api.CloseScanner(), 0);
  EXPECT_TRUE(log.Lines().empty());
  EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, L"ScanEvent"), nullptr);
}

}  // namespace
}  // namespace qx::checker
