// The export's steps after the gather, with the gather replaced: this file's RunExtendedGatherInto
// is linked in place of the library's, so each case decides what the gather finds.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "tests/shell/scratch_folder.h"
#include "utility/shell/batch_export.h"
#include "utility/shell/batch_gather.h"
#include "utility/shell/result_code.h"

namespace qx {

namespace {
std::function<int(SettingRecord&)> g_gather;
}  // namespace

int RunExtendedGatherInto(SettingRecord& record) { return g_gather(record); }

namespace {

class BatchExportJob : public testing::ScratchFolder {
 protected:
  void TearDown() override {
    g_gather = nullptr;
    ScratchFolder::TearDown();
  }
};

TEST_F(BatchExportJob, SuccessfulGatherWritesHeaderAndRecordAndGivesZero) {
  g_gather = [](SettingRecord& record) {
    // The target already exists, empty, while the gather runs.
    EXPECT_TRUE(Exists("report.qxr"));
    EXPECT_EQ(SizeOf("report.qxr"), 0u);
    for (std::size_t i = 0; i < sizeof record.bytes; ++i) record.bytes[i] = static_cast<std::uint8_t>(i % 251);
    return kResultSuccess;
  };
  EXPECT_EQ(RunBatchExport("/r7000 report"), kExitSuccess);
  std::vector<std::uint8_t> bytes = ReadBytes("report.qxr");
  ASSERT_EQ(bytes.size(), 20633u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 12),
            (std::vector<std::uint8_t>{'Q', 'X', 'R', 1, 3, 1, 0, 0x99, 0x50, 0, 0, 0}));
  for (std::size_t i = 0; i < kSettingRecordSize; ++i) {
    if (bytes[12 + i] != i % 251) {
      ADD_FAILURE() << "record byte " << i;
      break;
    }
  }
}

TEST_F(BatchExportJob, FailedGatherEndsWithItsCodeAndLeavesTheTargetEmpty) {
  for (int code : std::vector<int>{kResultReadFailed, kResultManyScanners, kResultSwitchOn, 412}) {
    g_gather = [code](SettingRecord& record) {
      std::memset(record.bytes, 0x5A, sizeof record.bytes);
      return code;
    };
    EXPECT_EQ(RunBatchExport("/r7000 \"failed run\""), code);
    ASSERT_TRUE(Exists("failed run.qxr"));
    EXPECT_EQ(SizeOf("failed run.qxr"), 0u);
  }
}

TEST_F(BatchExportJob, TargetThatCannotBeOpenedForWritingGives501) {
  g_gather = [](SettingRecord&) {
    std::filesystem::remove("report.qxr");
    std::filesystem::create_directory("report.qxr");
    return kResultSuccess;
  };
  EXPECT_EQ(RunBatchExport("/r7000 report"), kResultFileWrite);
}

TEST_F(BatchExportJob, UnusableTargetEndsBeforeTheGather) {
  bool gathered = false;
  g_gather = [&gathered](SettingRecord&) {
    gathered = true;
    return kResultSuccess;
  };
  EXPECT_EQ(RunBatchExport("/r7000 AUX"), kResultStartup);
  EXPECT_EQ(RunBatchExport("/r7000 a/b"), kResultStartup);
  EXPECT_FALSE(gathered);
}

}  // namespace
}  // namespace qx
