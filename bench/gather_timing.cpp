// Times the extended gather against a running qxr7000-sim (QXR7000_SIM and QXR7000_SIM_CONTROL,
// or QXR7000_SIM_FILE) and compares each run with the floor the behaviour imposes on it; prints
// every run, the median and spread of measured/floor, and where the time of the median run went;
// then what a request and a read time-out on the link to the simulator cost on this platform by
// themselves. Builds natively and for Windows (run under Wine), so both numbers come from the
// same code.
//   gather_timing [--runs N] [--reply-delay MS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/gather_breakdown.h"
#include "bench/link_costs.h"

namespace {

constexpr int kProbeRoundTrips = 200;
constexpr int kProbeTimeouts = 50;

struct Options {
  int runs = 7;
  int replyDelayMs = 0;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--runs") == 0 && hasValue) {
      options->runs = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--reply-delay") == 0 && hasValue) {
      options->replyDelayMs = std::atoi(argv[++i]);
    } else {
      return false;
    }
  }
  return options->runs > 0 && options->runs <= 1000 && options->replyDelayMs >= 0 && options->replyDelayMs <= 1000;
}

double RatioToFloor(const qx::bench::GatherRun& run, double ms) {
  double floor = run.floor.TotalMs();
  return floor > 0 ? ms / floor : 0;
}

double Ratio(const qx::bench::GatherRun& run) { return RatioToFloor(run, run.breakdown.wallMs); }

// The gather itself, without the document's creation and destruction around it (the window
// makes its document once and gathers many times).
double GatherOnlyRatio(const qx::bench::GatherRun& run) {
  const qx::bench::Breakdown& b = run.breakdown;
  return RatioToFloor(run, b.wallMs - b.setupMs - b.teardownMs);
}

void PrintLinkCosts(const qx::simtest::SimAddresses& sim) {
  qx::bench::LinkCosts costs = qx::bench::MeasureLinkCosts(sim, kProbeRoundTrips, kProbeTimeouts);
  if (!costs.ok) {
    std::printf("the link's own costs could not be measured\n");
    return;
  }
  std::printf("the link by itself on this platform (%d control requests, %d read time-outs):\n"
              "  a round trip: median %.3f ms, nine in ten at least %.3f ms\n"
              "  a %.0f ms read time-out ends late: median %.3f ms, nine in ten at least %.3f ms\n",
              kProbeRoundTrips, kProbeTimeouts, costs.roundTripMs, costs.roundTripFastMs, qx::bench::kReadConstantMs,
              costs.lateTimeoutMs, costs.lateTimeoutFastMs);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: gather_timing [--runs N] [--reply-delay MS]\n");
    return 2;
  }
  qx::simtest::SimAddresses sim;
  std::string why;
  if (!qx::simtest::FindRunningSim(&sim, &why)) {
    std::fprintf(stderr, "gather_timing: %s\n", why.c_str());
    return 2;
  }
  if (options.replyDelayMs > 0 &&
      !qx::simtest::SimControlOk(sim.control, "fault delay " + std::to_string(options.replyDelayMs))) {
    std::fprintf(stderr, "gather_timing: the simulator refused the reply delay\n");
    return 2;
  }

  std::vector<qx::bench::GatherRun> runs;
  for (int i = 0; i < options.runs; ++i) {
    qx::bench::GatherRun run = qx::bench::RunTracedGather(sim, options.replyDelayMs);
    if (!run.ok) {
      std::fprintf(stderr, "gather_timing: run %d: %s\n", i + 1, run.why.c_str());
      return 1;
    }
    std::printf("run %2d: measured %8.1f ms  floor %8.1f ms  measured/floor %.3f  cpu %6.1f ms\n", i + 1,
                run.breakdown.wallMs, run.floor.TotalMs(), Ratio(run), run.breakdown.cpuMs);
    std::fflush(stdout);
    runs.push_back(run);
  }
  if (options.replyDelayMs > 0) qx::simtest::SimControlOk(sim.control, "fault clear");

  std::vector<std::size_t> order(runs.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return Ratio(runs[a]) < Ratio(runs[b]); });
  const qx::bench::GatherRun& median = runs[order[order.size() / 2]];
  std::printf("measured/floor over %zu runs: median %.3f, min %.3f, max %.3f\n", runs.size(), Ratio(median),
              Ratio(runs[order.front()]), Ratio(runs[order.back()]));
  std::vector<double> gatherOnly;
  for (const auto& run : runs) gatherOnly.push_back(GatherOnlyRatio(run));
  std::sort(gatherOnly.begin(), gatherOnly.end());
  std::printf("the gather alone (without the document's set-up and tear-down): median %.3f, min %.3f, max %.3f\n",
              gatherOnly[gatherOnly.size() / 2], gatherOnly.front(), gatherOnly.back());
  std::printf("the median run:\n%s", qx::bench::BreakdownTable(median).c_str());
  PrintLinkCosts(sim);
  return 0;
}
