#include "platform/wait_trace.h"

#include <atomic>
#include <chrono>

namespace qx::platform {
namespace {

std::atomic<WaitTrace*> installed{nullptr};

}  // namespace

void SetWaitTrace(WaitTrace* trace) { installed.store(trace, std::memory_order_release); }

WaitTrace* CurrentWaitTrace() { return installed.load(std::memory_order_acquire); }

std::uint64_t TraceNanoseconds() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

}  // namespace qx::platform
