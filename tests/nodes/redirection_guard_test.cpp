// The WOW64 redirection guard of the driver-stack and wrapper nodes with WOW64 calls of the
// test's own: the order of the calls, the error texts when a call fails, and the quiet failure
// of RunMode Batch. The real folders under WoW64 are in system_environment_nodes_win32_test.
#include "utility/nodes/redirection_guard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "utility/nodes/pc_error_message.h"
#include "utility/nodes/system_environment_nodes.h"

namespace qx {
namespace {

struct Wow64Script {
  bool wow64 = true;
  bool offWorks = true;
  bool onWorks = true;
  std::vector<std::string> calls;  // "off", "on"
};

class GuardedReads : public ::testing::Test {
 protected:
  static bool IsWow64() { return script_.wow64; }
  static bool Enable(bool enable) {
    script_.calls.push_back(enable ? "on" : "off");
    return enable ? script_.onWorks : script_.offWorks;
  }
  static void Collect(const char* text) { messages_.push_back(text); }

  void SetUp() override {
    script_ = Wow64Script{};
    messages_.clear();
    SetWow64Calls(&calls_);
    SetPcErrorSink(&Collect);
  }
  void TearDown() override {
    SetWow64Calls(nullptr);
    SetPcErrorSink(nullptr);
    SetPcErrorBoxesShown(true);
  }

  // The two nodes that read inside the guard; each result in order. (What the driver-stack read
  // finds depends on the host's system files; its failures here come from the guard alone.)
  std::vector<int> ReadBoth() {
    CUSBDriverStackNode stack(&port_);
    stack.Reset();
    CAPIDriverNode wrapper(&port_);
    wrapper.Reset();
    return {stack.Read(), wrapper.Read()};
  }

  static inline Wow64Script script_;
  static inline std::vector<std::string> messages_;
  static constexpr Wow64Calls calls_ = {&IsWow64, &Enable};
  int port_ = 2;
};

TEST_F(GuardedReads, OffAroundEachReadUnderWow64AndUntouchedOtherwise) {
  EXPECT_EQ(ReadBoth()[1], 1);
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"off", "on", "off", "on"}));
  script_ = Wow64Script{};
  script_.wow64 = false;
  EXPECT_EQ(ReadBoth()[1], 1);
  EXPECT_TRUE(script_.calls.empty());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(GuardedReads, RedirectionThatCannotBeTurnedOffEndsTheReadWithItsMessage) {
  script_.offWorks = false;
  EXPECT_EQ(ReadBoth(), (std::vector<int>{0, 0}));
  // Never off, so never turned on again.
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"off", "off"}));
  EXPECT_EQ(messages_, (std::vector<std::string>{"Wow64EnableWow64FsRedirection(FALSE) failed.",
                                                 "Wow64EnableWow64FsRedirection(FALSE) failed."}));
}

TEST_F(GuardedReads, RedirectionThatCannotBeTurnedOnAgainFailsTheRead) {
  script_.onWorks = false;
  EXPECT_EQ(ReadBoth(), (std::vector<int>{0, 0}));
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"off", "on", "off", "on"}));
  EXPECT_EQ(messages_, (std::vector<std::string>{"Wow64EnableWow64FsRedirection(TRUE) failed.",
                                                 "Wow64EnableWow64FsRedirection(TRUE) failed."}));
}

TEST_F(GuardedReads, AGuardLeftWithoutEndTurnsRedirectionOnAgain) {
  {
    RedirectionGuard guard;
    ASSERT_TRUE(guard.Begin());
    EXPECT_TRUE(guard.Begin());  // already off: no second call
  }
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"off", "on"}));
}

// In RunMode Batch nobody can dismiss a box: the reads end as they would, without one.
TEST_F(GuardedReads, BatchFailuresShowNothing) {
  SetPcErrorBoxesShown(false);
  script_.offWorks = false;
  EXPECT_EQ(ReadBoth(), (std::vector<int>{0, 0}));
  script_ = Wow64Script{};
  script_.onWorks = false;
  EXPECT_EQ(ReadBoth(), (std::vector<int>{0, 0}));
  EXPECT_TRUE(messages_.empty());
  SetPcErrorBoxesShown(true);
  EXPECT_EQ(ReadBoth(), (std::vector<int>{0, 0}));
  EXPECT_EQ(messages_.size(), 2u);
}

}  // namespace
}  // namespace qx
