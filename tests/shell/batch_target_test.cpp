#include "utility/shell/batch_target.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/shell/scratch_folder.h"
#include "utility/shell/result_code.h"

namespace qx {
namespace {

// The parsed name, or "<1001>" when the line is refused.
std::string Parse(const std::string& line) {
  BatchTarget target;
  int result = ParseBatchTarget(line.c_str(), target);
  if (result == kResultStartup) return "<1001>";
  EXPECT_EQ(result, kResultSuccess);
  return target.path;
}

TEST(BatchTargetParsing, BareAndQuotedNamesGainTheExtensionOnce) {
  EXPECT_EQ(Parse("/r7000 report"), "report.qxr");
  EXPECT_EQ(Parse("/r7000 report.qxr"), "report.qxr");
  EXPECT_EQ(Parse("/r7000 \"my report\""), "my report.qxr");
  EXPECT_EQ(Parse("/r7000 \"my report.qxr\""), "my report.qxr");
  // The extension test is case-sensitive.
  EXPECT_EQ(Parse("/r7000 report.QXR"), "report.QXR.qxr");
  EXPECT_EQ(Parse("/r7000 a.qxr.old"), "a.qxr.old.qxr");
  EXPECT_EQ(Parse("/r7000 dir\\report"), "dir\\report.qxr");
}

TEST(BatchTargetParsing, TheSeparatorIsDroppedWhateverItIs) {
  EXPECT_EQ(Parse("/r7000xreport"), "report.qxr");
  EXPECT_EQ(Parse("/r7000 "), ".qxr");
  EXPECT_EQ(Parse("/R7000 report"), "report.qxr");
  EXPECT_EQ(Parse("/r7000  report"), " report.qxr");
}

TEST(BatchTargetParsing, QuotesOnlyCountInPairsAroundTheWholeArgument) {
  EXPECT_EQ(Parse("/r7000 \"\""), ".qxr");
  EXPECT_EQ(Parse("/r7000 \""), "\".qxr");
  EXPECT_EQ(Parse("/r7000 \"a"), "\"a.qxr");
  EXPECT_EQ(Parse("/r7000 a\""), "a\".qxr");
  EXPECT_EQ(Parse("/r7000 \"qxr\""), "qxr.qxr");
  EXPECT_EQ(Parse("/r7000 \".qxr\""), ".qxr");
}

TEST(BatchTargetParsing, LinesWithoutAUsableArgumentAreRefused) {
  EXPECT_EQ(Parse(""), "<1001>");
  EXPECT_EQ(Parse("/r700"), "<1001>");
  EXPECT_EQ(Parse("/r7000"), "<1001>");
  EXPECT_EQ(Parse("/R7000"), "<1001>");
  EXPECT_EQ(Parse("/r7000 dir/report"), "<1001>");
  EXPECT_EQ(Parse("/r7000 \"a/b\""), "<1001>");
  BatchTarget target;
  EXPECT_EQ(ParseBatchTarget(nullptr, target), kResultStartup);
}

TEST(BatchTargetParsing, NamesUpTo258CharactersFitAndLongerOnesAreRefused) {
  EXPECT_EQ(Parse("/r7000 " + std::string(254, 'a')), std::string(254, 'a') + ".qxr");
  EXPECT_EQ(Parse("/r7000 " + std::string(255, 'a')), "<1001>");
  std::string full = std::string(254, 'b') + ".qxr";
  EXPECT_EQ(Parse("/r7000 " + full), full);
  EXPECT_EQ(Parse("/r7000 \"" + full + "\""), full);
  EXPECT_EQ(Parse("/r7000 \"" + std::string(255, 'c') + "\""), "<1001>");
  EXPECT_EQ(Parse("/r7000 a" + full), "<1001>");
  EXPECT_EQ(Parse("/r7000 " + std::string(5000, 'd')), "<1001>");
  // A slash far beyond the point where the line is known to be too long changes nothing.
  EXPECT_EQ(Parse("/r7000 " + std::string(5000, 'd') + "/"), "<1001>");
}

class BatchTargetFile : public testing::ScratchFolder {};

TEST_F(BatchTargetFile, PrepareCreatesOrEmptiesTheTarget) {
  BatchTarget target;
  EXPECT_EQ(PrepareBatchTarget("/r7000 report", target), kResultSuccess);
  ASSERT_TRUE(Exists("report.qxr"));
  EXPECT_EQ(SizeOf("report.qxr"), 0u);

  WriteBytes("old.qxr", {1, 2, 3, 4});
  EXPECT_EQ(PrepareBatchTarget("/r7000 old", target), kResultSuccess);
  EXPECT_EQ(SizeOf("old.qxr"), 0u);
}

TEST_F(BatchTargetFile, GuardedOrUnopenableTargetsAreRefused) {
  BatchTarget target;
  EXPECT_EQ(PrepareBatchTarget("/r7000 CON", target), kResultStartup);
  EXPECT_EQ(PrepareBatchTarget("/r7000 myCOM1data", target), kResultStartup);
  EXPECT_EQ(PrepareBatchTarget("/r7000 a;b", target), kResultStartup);
  // A folder of that name cannot be opened as a file.
  std::filesystem::create_directory("taken.qxr");
  EXPECT_EQ(PrepareBatchTarget("/r7000 taken", target), kResultStartup);
  EXPECT_FALSE(Exists("CON.qxr"));
  EXPECT_FALSE(Exists("myCOM1data.qxr"));
  EXPECT_FALSE(Exists("a;b.qxr"));
}

}  // namespace
}  // namespace qx
