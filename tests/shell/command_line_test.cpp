#include "utility/shell/command_line.h"

#include <gtest/gtest.h>

#include <string>

#include "utility/shell/posix_command_line.h"
#include "utility/shell/result_code.h"

namespace qx {
namespace {

RunMode Classify(const std::string& line, int expectedResult = kResultSuccess) {
  RunMode mode = kRunModeBatch;
  EXPECT_EQ(ClassifyCommandLine(line.c_str(), &mode), expectedResult) << "line: " << line;
  return mode;
}

TEST(CommandLineClassification, EmptyAndUnknownLinesAreNormal) {
  EXPECT_EQ(Classify(""), kRunModeNormal);
  EXPECT_EQ(Classify("hello"), kRunModeNormal);
  EXPECT_EQ(Classify(" /norva"), kRunModeNormal);
  RunMode mode = kRunModeBatch;
  EXPECT_EQ(ClassifyCommandLine(nullptr, &mode), kResultSuccess);
  EXPECT_EQ(mode, kRunModeNormal);
}

TEST(CommandLineClassification, ExtendedNeedsTheWholeLineInAnyCase) {
  EXPECT_EQ(Classify("/norva"), kRunModeExtended);
  EXPECT_EQ(Classify("/NORVA"), kRunModeExtended);
  EXPECT_EQ(Classify("/NoRvA"), kRunModeExtended);
  EXPECT_EQ(Classify("/norva x"), kRunModeNormal);
  EXPECT_EQ(Classify("/norva "), kRunModeNormal);
  EXPECT_EQ(Classify("/norv"), kRunModeNormal);
}

TEST(CommandLineClassification, BatchIsAnyLineStartingWithTheSwitch) {
  EXPECT_EQ(Classify("/R7000 name"), kRunModeBatch);
  EXPECT_EQ(Classify("/r7000"), kRunModeBatch);
  EXPECT_EQ(Classify("/r7000xreport"), kRunModeBatch);
  EXPECT_EQ(Classify("/r700"), kRunModeNormal);
  EXPECT_EQ(Classify("x/r7000"), kRunModeNormal);
}

TEST(CommandLineClassification, LengthLimitIs267Characters) {
  std::string limit = "/r7000 " + std::string(260, 'a');
  ASSERT_EQ(limit.size(), 267u);
  EXPECT_EQ(Classify(limit), kRunModeBatch);
  Classify(limit + "a", kResultStartup);
  Classify(std::string(268, 'x'), kResultStartup);
  // Far longer than the working copy: refused without touching memory past the copy.
  Classify(std::string(5000, 'N'), kResultStartup);
}

TEST(PosixCommandLine, JoinsArgumentsAndQuotesThoseWithBlanks) {
  char a0[] = "/r7000", a1[] = "my report", a2[] = "x";
  char* args[] = {a0, a1, a2};
  char line[64];
  JoinArguments(3, args, line, sizeof line);
  EXPECT_STREQ(line, "/r7000 \"my report\" x");
  JoinArguments(0, args, line, sizeof line);
  EXPECT_STREQ(line, "");
}

TEST(PosixCommandLine, CutsToTheBufferAndStaysTerminated) {
  std::string longArgument(3000, 'z');
  char* args[] = {longArgument.data()};
  char line[kPosixCommandLineSize];
  JoinArguments(1, args, line, sizeof line);
  EXPECT_EQ(std::string(line).size(), kPosixCommandLineSize - 1);
  RunMode mode;
  EXPECT_EQ(ClassifyCommandLine(line, &mode), kResultStartup);
}

}  // namespace
}  // namespace qx
