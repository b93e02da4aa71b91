#include "utility/port/port_thread.h"

#include <system_error>

#include "platform/clock.h"

namespace qx::port {

PortThread::PortThread(ThreadedPort& owner, std::intptr_t link) : owner_(owner), link_(link) {}

PortThread::~PortThread() {
  // Owners stop their workers first; this only keeps a forgotten thread from outliving us.
  if (thread_.joinable()) {
    RequestStop();
    thread_.join();
  }
}

bool PortThread::Resume() {
  {
    std::lock_guard<std::mutex> lock(wakeLock_);
    permit_ = true;
    held_ = false;
  }
  wake_.notify_all();
  if (thread_.joinable() || finished_.load() != 0 || stop_.load() != 0) return true;
  try {
    thread_ = std::thread([this] { Body(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void PortThread::Suspend() {
  std::unique_lock<std::mutex> lock(wakeLock_);
  suspended_.store(1);
  wake_.wait(lock, [this] { return permit_ || stop_.load() != 0; });
  permit_ = false;
  suspended_.store(0);
}

void PortThread::Hold() {
  std::lock_guard<std::mutex> lock(wakeLock_);
  held_ = true;
}

void PortThread::RequestStop() {
  {
    std::lock_guard<std::mutex> lock(wakeLock_);
    stop_.store(1);
  }
  wake_.notify_all();
}

std::uint32_t PortThread::Join() {
  if (thread_.joinable()) thread_.join();
  return exitCode_.load();
}

bool PortThread::Checkpoint() {
  std::unique_lock<std::mutex> lock(wakeLock_);
  if (held_ && stop_.load() == 0) {
    suspended_.store(1);
    wake_.wait(lock, [this] { return !held_ || stop_.load() != 0; });
    suspended_.store(0);
  }
  return stop_.load() == 0;
}

bool PortThread::PauseAfterShortStep() {
  if (StopRequested()) return false;
  platform::SleepMilliseconds(1);
  return !StopRequested();
}

void PortThread::Body() {
  suspended_.store(0);
  Run();
  finished_.store(1);
  stop_.store(1);
}

}  // namespace qx::port
