#include "utility/port/manual_reset_event.h"

#include <chrono>

namespace qx::port {

void ManualResetEvent::Set() {
  {
    std::lock_guard<std::mutex> lock(lock_);
    set_ = true;
  }
  changed_.notify_all();
}

void ManualResetEvent::Reset() {
  std::lock_guard<std::mutex> lock(lock_);
  set_ = false;
}

bool ManualResetEvent::Wait(std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(lock_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return set_; });
}

}  // namespace qx::port
