#pragma once

#include <cstdint>

// A hook that lets a benchmark see where a run spends its time: every sleep the product takes
// and every request on the virtual driver's link, with what was asked and how long it took.
// Nothing is installed in the product, so each hook point costs one atomic load.
namespace qx::platform {

class WaitTrace {
 public:
  virtual ~WaitTrace() = default;
  // A sleep of `askedMs` that lasted `tookNs`.
  virtual void Slept(std::uint32_t askedMs, std::uint64_t tookNs) = 0;
  // One link request and its answer: op letter ('+' for a connect), bytes asked and delivered
  // (reads only), the time-out the request itself names (reads only) and the round trip.
  virtual void LinkRequest(std::uint8_t op, std::uint32_t asked, std::uint32_t got, std::uint32_t waitMs,
                           std::uint64_t tookNs) = 0;
};

// The installed trace, or null (the default). A trace is installed and removed while no other
// thread sleeps or uses the link.
void SetWaitTrace(WaitTrace* trace);
WaitTrace* CurrentWaitTrace();

// A monotonic clock in nanoseconds for the trace's measurements.
std::uint64_t TraceNanoseconds();

// Times one hook point: takes the installed trace (or none) and, only when there is one, the
// start time. `trace()` is null when nothing listens.
class TracedSpan {
 public:
  TracedSpan() : trace_(CurrentWaitTrace()), start_(trace_ != nullptr ? TraceNanoseconds() : 0) {}
  WaitTrace* trace() const { return trace_; }
  std::uint64_t ElapsedNs() const { return TraceNanoseconds() - start_; }

 private:
  WaitTrace* trace_;
  std::uint64_t start_;
};

}  // namespace qx::platform
