#pragma once

#include "tests/sim/sim_fixture.h"

// What the link to the simulated scanner costs on this platform by itself: the round trip of a
// request the simulator answers at once, and how much later than asked a read that waits out
// its time-out on a quiet port comes back. Both are taken through the virtual driver the gather
// uses, so under Wine they include Wine's socket layer.
namespace qx::bench {

struct LinkCosts {
  bool ok = false;
  // Medians, and the first deciles (what nine in ten took at least).
  double roundTripMs = 0;  // a control request's round trip
  double roundTripFastMs = 0;
  double lateTimeoutMs = 0;  // how late a 10 ms read time-out ends
  double lateTimeoutFastMs = 0;
};

LinkCosts MeasureLinkCosts(const simtest::SimAddresses& sim, int roundTrips, int timeouts);

}  // namespace qx::bench
