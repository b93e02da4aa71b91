#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "tests/port/port_test_support.h"
#include "utility/port/parallel_port.h"
#include "utility/port/port_thread.h"

namespace qx::port {
namespace {

using testing::WaitFor;

// A worker whose body the test gives.
class ScriptedThread final : public PortThread {
 public:
  ScriptedThread(ThreadedPort& owner, std::function<void(ScriptedThread&)> body)
      : PortThread(owner, -1), body_(std::move(body)) {}
  ~ScriptedThread() override {
    RequestStop();
    Join();
  }

  using PortThread::Checkpoint;
  using PortThread::SetExitCode;

 private:
  void Run() override { body_(*this); }
  std::function<void(ScriptedThread&)> body_;
};

class PortThreadTest : public ::testing::Test {
 protected:
  ParallelPort owner{0};
};

TEST_F(PortThreadTest, DoesNotRunUntilResumed) {
  std::atomic<bool> ran{false};
  ScriptedThread thread(owner, [&](ScriptedThread&) { ran = true; });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(ran);
  EXPECT_TRUE(thread.IsSuspended());
  ASSERT_TRUE(thread.Resume());
  EXPECT_TRUE(WaitFor([&] { return thread.IsFinished(); }));
  EXPECT_TRUE(ran);
  EXPECT_TRUE(thread.StopRequested());  // a body that returns leaves the thread stopped
}

// The writer's race: it finds its queue empty, a Write pushes and resumes it, then it suspends.
// The resume must still count.
TEST_F(PortThreadTest, ResumeThatComesBeforeTheSuspendIsNotLost) {
  std::atomic<bool> ready{false};
  std::atomic<bool> resumedWhileRunning{false};
  std::atomic<bool> passedSuspend{false};
  ScriptedThread thread(owner, [&](ScriptedThread& self) {
    self.Suspend();  // takes the start's wake-up
    ready = true;
    while (!resumedWhileRunning) std::this_thread::yield();
    self.Suspend();
    passedSuspend = !self.StopRequested();
  });
  ASSERT_TRUE(thread.Resume());
  ASSERT_TRUE(WaitFor([&] { return ready.load(); }));
  thread.Resume();  // the thread is running, not suspended
  resumedWhileRunning = true;
  EXPECT_TRUE(WaitFor([&] { return thread.IsFinished(); }, std::chrono::seconds(5)));
  thread.RequestStop();
  thread.Join();
  EXPECT_TRUE(passedSuspend);
}

TEST_F(PortThreadTest, SuspendWaitsForTheNextResumeOrAStop) {
  std::atomic<int> rounds{0};
  ScriptedThread thread(owner, [&](ScriptedThread& self) {
    while (!self.StopRequested()) {
      self.Suspend();
      ++rounds;
    }
  });
  ASSERT_TRUE(thread.Resume());
  // The start's permit lets one round through, then the thread parks.
  ASSERT_TRUE(WaitFor([&] { return rounds == 1 && thread.IsSuspended(); }));
  thread.Resume();
  ASSERT_TRUE(WaitFor([&] { return rounds == 2 && thread.IsSuspended(); }));
  thread.RequestStop();
  thread.Resume();
  thread.Join();
  EXPECT_EQ(rounds, 3);
}

TEST_F(PortThreadTest, HoldParksTheWorkerAtItsNextStepUntilResume) {
  std::atomic<int> steps{0};
  ScriptedThread thread(owner, [&](ScriptedThread& self) {
    while (self.Checkpoint()) {
      ++steps;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    self.SetExitCode(7);
  });
  ASSERT_TRUE(thread.Resume());
  ASSERT_TRUE(WaitFor([&] { return steps > 3; }));
  thread.Hold();
  ASSERT_TRUE(WaitFor([&] { return thread.IsSuspended(); }));
  int held = steps;
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(steps, held);
  thread.Resume();
  EXPECT_TRUE(WaitFor([&] { return steps > held + 3; }));
  thread.RequestStop();
  EXPECT_EQ(thread.Join(), 7u);
  EXPECT_TRUE(thread.IsFinished());
}

TEST_F(PortThreadTest, StopOfAThreadNeverStartedDoesNotStartIt) {
  std::atomic<bool> ran{false};
  ScriptedThread thread(owner, [&](ScriptedThread&) { ran = true; });
  thread.RequestStop();
  thread.Resume();
  EXPECT_EQ(thread.Join(), 0u);
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace qx::port
