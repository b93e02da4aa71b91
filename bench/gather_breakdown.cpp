#include "bench/gather_breakdown.h"

#include <cstdio>
#include <mutex>
#include <thread>

#include "bench/process_cpu.h"
#include "utility/shell/info_document.h"
#include "utility/shell/result_code.h"
#include "utility/shell/run_mode.h"

namespace qx::bench {
namespace {

constexpr double kNsPerMs = 1e6;
// What a closing USB port waits before it purges its queues and lets go of the handles.
constexpr double kCloseSettleMs = 100.0;
// The wait between a drain's two reads.
constexpr double kDrainPauseMs = 1.0;
// The pause between two re-open attempts after a failed read.
constexpr double kReopenPauseMs = 10.0;

bool Contains(const std::string& line, const char* what) { return line.find(what) != std::string::npos; }

// Collects the hooks' reports of one gather from the thread that runs it; the port library's
// own threads (the Ethernet port's UDP receiver waits in 1 ms steps) run beside it and are left out.
class Collector final : public platform::WaitTrace {
 public:
  void Slept(std::uint32_t askedMs, std::uint64_t tookNs) override {
    if (std::this_thread::get_id() != gatherer_) return;
    std::lock_guard<std::mutex> hold(lock_);
    double took = static_cast<double>(tookNs) / kNsPerMs;
    double asked = static_cast<double>(askedMs);
    if (askedMs == 1) {
      b_.sleep1Ms += asked;
      ++b_.sleeps1;
    } else if (askedMs == 10) {
      b_.sleep10Ms += asked;
      ++b_.sleeps10;
    } else if (askedMs == 100) {
      b_.sleep100Ms += asked;
      ++b_.sleeps100;
    } else {
      b_.otherSleepMs += asked;
      ++b_.otherSleeps;
    }
    b_.sleepOvershootMs += took - asked;
  }

  void LinkRequest(std::uint8_t op, std::uint32_t asked, std::uint32_t got, std::uint32_t waitMs,
                   std::uint64_t tookNs) override {
    if (std::this_thread::get_id() != gatherer_) return;
    std::lock_guard<std::mutex> hold(lock_);
    double took = static_cast<double>(tookNs) / kNsPerMs;
    switch (op) {
      case 'R':
        if (got < asked) {
          // Less than asked: the driver waited the read's whole time-out.
          b_.readTimeoutMs += waitMs;
          ++b_.readTimeouts;
          b_.readOvershootMs += took - waitMs;
        } else {
          b_.readTripMs += took;
          ++b_.readTrips;
        }
        break;
      case 'W':
        b_.writeTripMs += took;
        ++b_.writeTrips;
        break;
      case 'C':
        b_.controlTripMs += took;
        ++b_.controlTrips;
        break;
      case '+':
        b_.connectMs += took;
        ++b_.connects;
        break;
      default:
        b_.openTripMs += took;
        ++b_.openTrips;
        break;
    }
  }

  Breakdown Take() {
    std::lock_guard<std::mutex> hold(lock_);
    return b_;
  }

 private:
  const std::thread::id gatherer_ = std::this_thread::get_id();
  std::mutex lock_;
  Breakdown b_;
};

}  // namespace

double Breakdown::RestMs() const {
  double accounted = readTimeoutMs + readOvershootMs + sleep1Ms + sleep10Ms + sleep100Ms + otherSleepMs +
                     sleepOvershootMs + readTripMs + writeTripMs + controlTripMs + connectMs + openTripMs;
  return wallMs - accounted;
}

DeviceCounts CountDeviceLog(const simtest::SimAddresses& sim) {
  DeviceCounts counts;
  for (const std::string& line : simtest::SimControl(sim.control, "log")) {
    // The request prefix's first command selects the scanner: one per transaction.
    if (Contains(line, " command ") && Contains(line, " select-peripheral ")) ++counts.transactions;
    if (line.rfind("log reply ", 0) == 0) ++counts.replies;
    if (line.rfind("log close ", 0) == 0 && Contains(line, " QX")) ++counts.closes;
    if (line.rfind("log control ", 0) == 0) ++counts.controls;
  }
  return counts;
}

Floor FloorOf(const DeviceCounts& counts, const Breakdown& breakdown, double replyDelayMs) {
  Floor floor;
  floor.drainMs = counts.transactions * (2 * kReadConstantMs + kDrainPauseMs);
  floor.closeSettleMs = counts.closes * kCloseSettleMs;
  floor.replyDelayMs = counts.replies * replyDelayMs;
  // Re-open pauses only follow a failed read; a successful gather takes none.
  floor.pausesMs = breakdown.sleeps10 * kReopenPauseMs;
  return floor;
}

GatherRun RunTracedGather(const simtest::SimAddresses& sim, double replyDelayMs) {
  GatherRun run;
  if (!simtest::SimControlOk(sim.control, "clear-log")) {
    run.why = "the simulator's log cannot be cleared";
    return run;
  }
  Collector collector;
  int result = 0;
  double cpuStart = ProcessCpuMilliseconds();
  std::uint64_t start = platform::TraceNanoseconds();
  std::uint64_t gatherStart = 0, gatherEnd = 0;
  platform::SetWaitTrace(&collector);
  {
    InfoDocument document(nullptr);
    document.BuildDeviceTree(kRunModeBatch);
    gatherStart = platform::TraceNanoseconds();
    result = document.ExtendedGather();
    gatherEnd = platform::TraceNanoseconds();
  }
  platform::SetWaitTrace(nullptr);
  std::uint64_t end = platform::TraceNanoseconds();
  double wallMs = static_cast<double>(end - start) / kNsPerMs;
  double cpuMs = ProcessCpuMilliseconds() - cpuStart;
  run.breakdown = collector.Take();
  run.breakdown.wallMs = wallMs;
  run.breakdown.cpuMs = cpuMs;
  run.breakdown.setupMs = static_cast<double>(gatherStart - start) / kNsPerMs;
  run.breakdown.teardownMs = static_cast<double>(end - gatherEnd) / kNsPerMs;
  run.counts = CountDeviceLog(sim);
  run.floor = FloorOf(run.counts, run.breakdown, replyDelayMs);
  run.ok = result == kResultSuccess && run.counts.transactions > 0;
  if (!run.ok) run.why = "the gather ended with " + std::to_string(result);
  return run;
}

std::string BreakdownTable(const GatherRun& run) {
  const Breakdown& b = run.breakdown;
  std::string out;
  char line[160];
  auto row = [&](const char* what, int count, double ms) {
    std::snprintf(line, sizeof line, "  %-44s %6d %9.1f ms %6.1f %%\n", what, count, ms,
                  b.wallMs > 0 ? 100.0 * ms / b.wallMs : 0.0);
    out += line;
  };
  std::snprintf(line, sizeof line, "  %-44s %6s %12s %8s\n", "where the time went", "count", "time", "share");
  out += line;
  row("read time-outs (drains on a quiet port)", b.readTimeouts, b.readTimeoutMs);
  row("1 ms waits (drains, reply polls)", b.sleeps1, b.sleep1Ms);
  row("100 ms close settles", b.sleeps100, b.sleep100Ms);
  row("10 ms pauses (re-open, write retry)", b.sleeps10, b.sleep10Ms);
  row("other waits", b.otherSleeps, b.otherSleepMs);
  row("read time-outs beyond what they asked", b.readTimeouts, b.readOvershootMs);
  row("waits beyond what they asked", b.sleeps1 + b.sleeps10 + b.sleeps100 + b.otherSleeps, b.sleepOvershootMs);
  row("link reads that delivered what they asked", b.readTrips, b.readTripMs);
  row("link writes", b.writeTrips, b.writeTripMs);
  row("link control requests", b.controlTrips, b.controlTripMs);
  row("link connects", b.connects, b.connectMs);
  row("link enumerations, opens, closes", b.openTrips, b.openTripMs);
  row("rest: the product's own work, unexplained", 0, b.RestMs());
  row("  of it document set-up (ports, nodes)", 0, b.setupMs);
  row("  of it document tear-down (port library)", 0, b.teardownMs);
  row("measured", 0, b.wallMs);
  row("  of it CPU time of the process", 0, b.cpuMs);
  out += "  floor (the waits the behaviour mandates):\n";
  const Floor& f = run.floor;
  char floorLines[320];
  std::snprintf(floorLines, sizeof floorLines,
                "    %d transactions x (2 x %.0f ms + %.0f ms) = %.1f ms; %d closes x %.0f ms = %.1f ms;\n"
                "    %d replies x %.1f ms reply delay = %.1f ms; pauses %.1f ms; floor %.1f ms\n",
                run.counts.transactions, kReadConstantMs, kDrainPauseMs, f.drainMs, run.counts.closes,
                kCloseSettleMs, f.closeSettleMs, run.counts.replies,
                run.counts.replies > 0 ? f.replyDelayMs / run.counts.replies : 0.0, f.replyDelayMs, f.pausesMs,
                f.TotalMs());
  out += floorLines;
  return out;
}

}  // namespace qx::bench
