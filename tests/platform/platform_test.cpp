#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/named_mutex.h"
#include "platform/string_table.h"
#include "platform/wait_trace.h"
#include "resources/utility_strings.h"

namespace qx::platform {
namespace {

TEST(NamedMutex, SecondCreateOfTheSameNameReportsAlreadyExisted) {
  NamedMutex first, second;
  ASSERT_EQ(first.Create("qx-test-mutex-a"), MutexCreateResult::kCreated);
  EXPECT_EQ(second.Create("qx-test-mutex-a"), MutexCreateResult::kAlreadyExisted);
  second.Close();
  NamedMutex other;
  EXPECT_EQ(other.Create("qx-test-mutex-b"), MutexCreateResult::kCreated);
}

TEST(NamedMutex, NameIsFreeAgainOnceClosed) {
  {
    NamedMutex held;
    ASSERT_EQ(held.Create("qx-test-mutex-c"), MutexCreateResult::kCreated);
    held.Release();
  }
  NamedMutex again;
  EXPECT_EQ(again.Create("qx-test-mutex-c"), MutexCreateResult::kCreated);
}

TEST(Clock, SleepAdvancesTheMillisecondClock) {
  // The Windows tick count moves in steps of about 16 ms, so only a clear advance is asked for.
  std::uint32_t start = MillisecondClock();
  SleepMilliseconds(100);
  std::uint32_t elapsed = MillisecondClock() - start;
  EXPECT_GE(elapsed, 60u);
}

// A benchmark's trace hears of every sleep while it is installed, and of none once removed.
TEST(WaitTrace, SeesEachSleepWhileInstalled) {
  struct Recorder final : WaitTrace {
    std::vector<std::uint32_t> asked;
    std::uint64_t tookNs = 0;
    void Slept(std::uint32_t askedMs, std::uint64_t took) override {
      asked.push_back(askedMs);
      tookNs += took;
    }
    void LinkRequest(std::uint8_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint64_t) override {}
  } recorder;
  ASSERT_EQ(CurrentWaitTrace(), nullptr);
  SetWaitTrace(&recorder);
  SleepMilliseconds(1);
  SleepMilliseconds(3);
  SetWaitTrace(nullptr);
  SleepMilliseconds(1);
  EXPECT_EQ(recorder.asked, (std::vector<std::uint32_t>{1, 3}));
  EXPECT_GT(recorder.tookNs, 0u);
}

// The strings the program shows come from its resource on Windows and from the compiled table
// elsewhere; both must carry the single source's texts exactly.
TEST(StringTable, LoadedStringsEqualTheSourceTable) {
  const int ids[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 18, 19, 27, 41, 42, 43, 45,
                     40001, 40002, 40004, 40005, 40006, 40007, 40008};
  for (int id : ids) {
    char text[1024];
    std::size_t n = LoadUtilityString(id, text, sizeof text);
    ASSERT_NE(UtilityStringText(id), nullptr) << id;
    EXPECT_STREQ(text, UtilityStringText(id)) << "string " << id;
    EXPECT_EQ(n, std::strlen(UtilityStringText(id))) << id;
  }
}

TEST(StringTable, ExactTextsOfTheStartUpMessages) {
  char text[256];
  LoadUtilityString(40007, text, sizeof text);
  EXPECT_STREQ(text, "This tool is already running.");
  LoadUtilityString(40008, text, sizeof text);
  EXPECT_STREQ(text, "This OS is not supported.\nSupported OS are: Windows 2000/XP/Vista.");
  LoadUtilityString(12, text, sizeof text);
  EXPECT_EQ(std::string(text).back(), ' ');
  LoadUtilityString(45, text, sizeof text);
  EXPECT_STREQ(text, "\"QX-R7000 Operation Checker\" not found.");
}

TEST(StringTable, TruncatesToTheBufferAndAnswersUnknownIdsEmpty) {
  char small[6];
  EXPECT_EQ(LoadUtilityString(40007, small, sizeof small), 5u);
  EXPECT_STREQ(small, "This ");
  char text[16] = "junk";
  EXPECT_EQ(LoadUtilityString(999, text, sizeof text), 0u);
  EXPECT_STREQ(text, "");
}

}  // namespace
}  // namespace qx::platform
