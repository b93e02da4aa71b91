#include "utility/shell/file_name_guard.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/shell/scratch_folder.h"

namespace qx {
namespace {

TEST(FileNameGuard, ForbiddenCharactersCountOnlyInTheNamePart) {
  for (const char* name : {"a;b.qxr", "a\\b/c.qxr", "a:b.qxr", "a*.qxr", "a?.qxr", "a\"b.qxr", "a<b.qxr",
                           "a>b.qxr", "/r.qxr", "dir\\a;b.qxr"}) {
    EXPECT_FALSE(IsSettingFilePathAllowed(name)) << name;
  }
  // The vertical bar is not in the list; the folder part may hold a drive colon.
  for (const char* name : {"a|b.qxr", "C:\\data\\report.qxr", "x;y\\report.qxr", "report.qxr", ""}) {
    EXPECT_TRUE(IsSettingFilePathAllowed(name)) << name;
  }
  EXPECT_FALSE(IsSettingFilePathAllowed(nullptr));
}

TEST(FileNameGuard, DeviceWordsAreCaseSensitiveSubstringsOfTheWholePath) {
  for (const char* path : {"CON.qxr", "CONFIG\\report.qxr", "myAUXfile.qxr", "COM1.qxr", "xCOM9y.qxr", "LPT1.qxr",
                           "LPT9\\a.qxr", "PRN.qxr", "NULL\\a.qxr", "CLOCK$.qxr", "a\\b\\NUL"}) {
    EXPECT_FALSE(IsSettingFilePathAllowed(path)) << path;
  }
  for (const char* path : {"con.qxr", "config\\report.qxr", "COM0.qxr", "COM.qxr", "LPT.qxr", "Con.qxr",
                           "CLOCK.qxr", "nul.qxr"}) {
    EXPECT_TRUE(IsSettingFilePathAllowed(path)) << path;
  }
}

class FileNameGuardOpen : public testing::ScratchFolder {};

TEST_F(FileNameGuardOpen, OpensAllowedPathsAndRefusedOnesCreateNothing) {
  // Windows folder names ignore case, so the refused upper-case path would land in this same
  // folder: it must still be empty after the refusal.
  std::filesystem::create_directory("config");
  EXPECT_EQ(OpenGuardedFile("CONFIG\\report.qxr", "wb"), nullptr);
  EXPECT_FALSE(Exists("CONFIG\\report.qxr"));
  EXPECT_TRUE(std::filesystem::is_empty("config"));

  std::FILE* lower = OpenGuardedFile("config\\report.qxr", "wb");
  EXPECT_NE(lower, nullptr);
  if (lower != nullptr) std::fclose(lower);
  EXPECT_TRUE(Exists("config\\report.qxr"));

  EXPECT_EQ(OpenGuardedFile("a;b.qxr", "wb"), nullptr);
  EXPECT_FALSE(Exists("a;b.qxr"));
}

TEST_F(FileNameGuardOpen, AcceptsOnlyTheThreeModes) {
  std::FILE* text = OpenGuardedFile("t.qxr", "wt");
  ASSERT_NE(text, nullptr);
  std::fclose(text);
  EXPECT_TRUE(Exists("t.qxr"));

  std::FILE* read = OpenGuardedFile("t.qxr", "rb");
  EXPECT_NE(read, nullptr);
  if (read != nullptr) std::fclose(read);

  for (const char* mode : {"w", "ab", "r+b", "wb+", ""}) {
    EXPECT_EQ(OpenGuardedFile("m.qxr", mode), nullptr) << mode;
  }
  EXPECT_EQ(OpenGuardedFile("m.qxr", nullptr), nullptr);
  EXPECT_FALSE(Exists("m.qxr"));
  EXPECT_EQ(OpenGuardedFile("missing.qxr", "rb"), nullptr);
}

}  // namespace
}  // namespace qx
