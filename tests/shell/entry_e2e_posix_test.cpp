// The real R7000Utility program, native build: exit statuses carry the code's low 8 bits.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/named_mutex.h"

extern char** environ;

namespace {

struct Outcome {
  int status;
  std::string errorText;
};

Outcome RunUtility(const std::vector<std::string>& arguments) {
  std::string errorFile = ::testing::TempDir() + "/utility-stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> argv;
  std::string program = QX_UTILITY_EXE;
  argv.push_back(program.data());
  std::vector<std::string> copies = arguments;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  waitpid(pid, &status, 0);
  std::ifstream in(errorFile);
  std::stringstream text;
  text << in.rdbuf();
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

TEST(UtilityEntryNative, SecondCopyEndsWith101InEveryMode) {
  qx::platform::NamedMutex holder;
  ASSERT_EQ(holder.Create("QX-R7000Utility"), qx::platform::MutexCreateResult::kCreated);
  for (const char* line : {"", "/norva", "/r7000 report"}) {
    Outcome outcome = RunUtility(line[0] ? std::vector<std::string>{line} : std::vector<std::string>{});
    EXPECT_EQ(outcome.status, 101) << line;
    EXPECT_NE(outcome.errorText.find("This tool is already running."), std::string::npos) << line;
  }
}

TEST(UtilityEntryNative, OverLongLineEndsWith1001SilentlyWhateverItHolds) {
  for (std::string line : {std::string(268, 'a'), "/r7000 " + std::string(261, 'b'), "/norva" + std::string(262, ' ')}) {
    Outcome outcome = RunUtility({line});
    EXPECT_EQ(outcome.status, 1001 & 0xFF);
    EXPECT_EQ(outcome.errorText, "");
  }
}

TEST(UtilityEntryNative, WindowModesSayTheWindowIsWindowsOnly) {
  for (const char* line : {"", "/NORVA", "whatever"}) {
    Outcome outcome = RunUtility(line[0] ? std::vector<std::string>{line} : std::vector<std::string>{});
    EXPECT_EQ(outcome.status, 1001 & 0xFF) << line;
    EXPECT_NE(outcome.errorText.find("only on Windows"), std::string::npos) << line;
  }
}

TEST(UtilityEntryNative, TheMutexIsFreeAfterTheProgramEnds) {
  RunUtility({"/norva"});
  qx::platform::NamedMutex after;
  EXPECT_EQ(after.Create("QX-R7000Utility"), qx::platform::MutexCreateResult::kCreated);
}

TEST(UtilityEntryNative, BatchWithoutAScannerEnds204LeavingAnEmptyTarget) {
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "batch-e2e";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);

  Outcome outcome = RunUtility({"/r7000", "my report"});
  EXPECT_EQ(outcome.status, 204);
  EXPECT_EQ(outcome.errorText, "");
  ASSERT_TRUE(std::filesystem::exists("my report.qxr"));
  EXPECT_EQ(std::filesystem::file_size("my report.qxr"), 0u);

  EXPECT_EQ(RunUtility({"/r7000", "sub/report"}).status, 1001 & 0xFF);
  EXPECT_EQ(RunUtility({"/r7000"}).status, 1001 & 0xFF);
  EXPECT_FALSE(std::filesystem::exists("sub"));

  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}

}  // namespace
