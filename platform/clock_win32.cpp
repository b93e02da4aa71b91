#include "platform/clock.h"

#include <windows.h>
#include <mmsystem.h>

#include "platform/wait_trace.h"

namespace qx::platform {

std::uint32_t MillisecondClock() { return GetTickCount(); }

void SleepMilliseconds(std::uint32_t milliseconds) {
  // Windows rounds a sleep up to its timer tick, 15.6 ms unless a program asks for 1 ms; the
  // request protocol's 1 ms waits would each last a whole tick. Asked once, kept for the process.
  static const bool fineTimer = timeBeginPeriod(1) == TIMERR_NOERROR;
  (void)fineTimer;
  TracedSpan span;
  Sleep(milliseconds);
  if (span.trace() != nullptr) span.trace()->Slept(milliseconds, span.ElapsedNs());
}

}  // namespace qx::platform
