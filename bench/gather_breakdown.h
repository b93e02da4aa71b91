#pragma once

#include <cstdint>
#include <string>

#include "platform/wait_trace.h"
#include "tests/sim/sim_fixture.h"

// One extended gather against a running qxr7000-sim, timed and taken apart: the floor the
// behaviour itself imposes on this run (derived from what the simulator's device was sent) and
// where each millisecond of the measured time went (from the product's sleeps and link requests).
namespace qx::bench {

// What the device was sent in one gather, from the simulator's request log.
struct DeviceCounts {
  int transactions = 0;  // request transactions: each begins with the request prefix
  int replies = 0;       // replies the device sent (transactions and transfer continuations)
  int closes = 0;        // opened scanner handles that were closed
  int controls = 0;      // driver control requests
};

// The waits the behaviour mandates for a run with these counts.
struct Floor {
  double drainMs = 0;        // two drain reads that find nothing and last the read constant, 1 ms between
  double closeSettleMs = 0;  // a closing USB port waits before it purges
  double replyDelayMs = 0;   // the device's own reply time (the profile's reply delay)
  double pausesMs = 0;       // find passes, re-open pauses and reply polls the run had to take
  double TotalMs() const { return drainMs + closeSettleMs + replyDelayMs + pausesMs; }
};

// Where the time of one gather went, as the product's hooks saw it.
struct Breakdown {
  double wallMs = 0;
  double cpuMs = 0;
  // The document's creation (port library, ports, nodes) and destruction (port library shut
  // down) around the gather itself; their traced waits and requests count in the rows below.
  double setupMs = 0;
  double teardownMs = 0;
  // Mandated waits as asked: read time-outs of reads that found less than they asked for, and
  // sleeps by length.
  double readTimeoutMs = 0;
  int readTimeouts = 0;
  double sleep1Ms = 0;
  int sleeps1 = 0;
  double sleep10Ms = 0;
  int sleeps10 = 0;
  double sleep100Ms = 0;
  int sleeps100 = 0;
  double otherSleepMs = 0;
  int otherSleeps = 0;
  // What those waits took beyond what they asked (timer and scheduling slack).
  double readOvershootMs = 0;
  double sleepOvershootMs = 0;
  // Link requests that did not wait a time-out: count and time, by kind.
  int readTrips = 0;
  double readTripMs = 0;
  int writeTrips = 0;
  double writeTripMs = 0;
  int controlTrips = 0;
  double controlTripMs = 0;
  int connects = 0;
  double connectMs = 0;
  int openTrips = 0;  // enumerations, opens and closes
  double openTripMs = 0;
  double RestMs() const;
};

struct GatherRun {
  bool ok = false;
  std::string why;
  DeviceCounts counts;
  Floor floor;
  Breakdown breakdown;
};

// The read constant of the USB port while the gather runs and the profile's reply delay (ms).
constexpr double kReadConstantMs = 10.0;

// Runs one traced extended gather; `replyDelayMs` is the delay the running profile gives every
// reply (0 for the shipped profiles).
GatherRun RunTracedGather(const simtest::SimAddresses& sim, double replyDelayMs);

DeviceCounts CountDeviceLog(const simtest::SimAddresses& sim);
Floor FloorOf(const DeviceCounts& counts, const Breakdown& breakdown, double replyDelayMs);

// The breakdown as a table, one line per kind, in milliseconds.
std::string BreakdownTable(const GatherRun& run);

}  // namespace qx::bench
