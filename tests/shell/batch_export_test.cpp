#include "utility/shell/batch_export.h"

#include <gtest/gtest.h>

#include "tests/shell/scratch_folder.h"
#include "utility/shell/result_code.h"

namespace qx {
namespace {

class BatchExport : public testing::ScratchFolder {};

TEST_F(BatchExport, ExportWithoutAScannerEndsWith204AndAnEmptyTarget) {
  WriteBytes("report.qxr", {9, 9, 9});
  EXPECT_EQ(RunBatchExport("/r7000 report"), kResultNoScanner);
  ASSERT_TRUE(Exists("report.qxr"));
  EXPECT_EQ(SizeOf("report.qxr"), 0u);

  EXPECT_EQ(RunBatchExport("/r7000"), kResultStartup);
  EXPECT_EQ(RunBatchExport("/r7000 NUL"), kResultStartup);
  EXPECT_FALSE(Exists("NUL.qxr"));
}

}  // namespace
}  // namespace qx
