#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace qx::port {

// A manual-reset event: stays set until reset; every waiter sees it.
class ManualResetEvent {
 public:
  void Set();
  void Reset();
  // True when the event was set within timeoutMs.
  bool Wait(std::uint32_t timeoutMs);

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool set_ = false;
};

}  // namespace qx::port
