#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace qx::port {

class ThreadedPort;

// A port's worker: one OS thread running Run. It is created suspended: the thread starts at the
// first Resume. A worker with nothing to do parks itself with Suspend; the wake-up is a permit
// (an auto-reset event), so a Resume that comes between the worker's empty check and its Suspend
// is kept and the Suspend returns at once. Hold (SuspendWrite/SuspendRead) pauses the worker at
// its next step until the next Resume, from ResumeWrite/ResumeRead or from a Write's wake-up, as
// a resumed thread would go on.
//
// The owner stops a worker with RequestStop, Resume, Join before releasing it: Run is a virtual
// of the derived object, which must outlive the thread.
class PortThread {
 public:
  virtual ~PortThread();
  PortThread(const PortThread&) = delete;
  PortThread& operator=(const PortThread&) = delete;

  // Starts the thread on the first call (false when the OS gives no thread); later calls lift a
  // hold and give the wake-up permit.
  bool Resume();
  // Called by the worker itself when idle: waits for the permit or a stop.
  void Suspend();
  // Asks the worker to pause at its next step until Resume.
  void Hold();
  void RequestStop();
  void Abort() { abort_.store(1); }
  void ClearAbort() { abort_.store(0); }
  // Waits for the thread to end and returns its exit code (0 for a thread never started).
  std::uint32_t Join();

  bool StopRequested() const { return stop_.load() != 0; }
  bool AbortRequested() const { return abort_.load() != 0; }
  bool IsSuspended() const { return suspended_.load() != 0; }
  bool IsFinished() const { return finished_.load() != 0; }

  // The OS handle of the link the worker moves bytes through; re-pointed when the port switches
  // its active function.
  std::intptr_t Link() const { return link_.load(); }
  void SetLink(std::intptr_t link) { link_.store(link); }

 protected:
  PortThread(ThreadedPort& owner, std::intptr_t link);

  virtual void Run() = 0;
  // Parks while held; false when a stop was requested.
  bool Checkpoint();
  // Sleeps 1 ms unless a stop is requested before or after; false on a stop.
  bool PauseAfterShortStep();
  void SetExitCode(std::uint32_t code) { exitCode_.store(code); }

  ThreadedPort& owner_;

 private:
  void Body();

  std::thread thread_;
  std::atomic<std::intptr_t> link_;
  std::mutex wakeLock_;
  std::condition_variable wake_;
  bool permit_ = false;
  bool held_ = false;
  std::atomic<std::uint32_t> stop_{0};
  std::atomic<std::uint32_t> suspended_{1};
  std::atomic<std::uint32_t> finished_{0};
  std::atomic<std::uint32_t> abort_{0};
  std::atomic<std::uint32_t> exitCode_{0};
};

}  // namespace qx::port
