#include "platform/clock.h"

#include <sys/prctl.h>
#include <time.h>

#include "platform/wait_trace.h"

namespace qx::platform {

std::uint32_t MillisecondClock() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

void SleepMilliseconds(std::uint32_t milliseconds) {
  // The kernel may end a sleep up to the thread's timer slack (50 us by default) late; the 1 ms
  // waits of the request protocol come by the hundred in one gather, so the slack is taken away.
  thread_local const bool tight = prctl(PR_SET_TIMERSLACK, 1UL) == 0;
  (void)tight;
  TracedSpan span;
  timespec wait{static_cast<time_t>(milliseconds / 1000u),
                static_cast<long>(milliseconds % 1000u) * 1000000L};
  while (nanosleep(&wait, &wait) != 0) {
  }
  if (span.trace() != nullptr) span.trace()->Slept(milliseconds, span.ElapsedNs());
}

}  // namespace qx::platform
