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
  WaitTrace* trace = CurrentWaitTrace();
  std::uint64_t start = trace != nullptr ? TraceNanoseconds() : 0;
  Sleep(milliseconds);
  if (trace != nullptr) trace->Slept(milliseconds, TraceNanoseconds() - start);
}

}  // namespace qx::platform
