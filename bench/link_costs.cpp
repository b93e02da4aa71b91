#include "bench/link_costs.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/wait_trace.h"
#include "utility/port/qxusb_contract.h"
#include "utility/port/qxusb_virtual_driver.h"

namespace qx::bench {
namespace {

constexpr double kNsPerMs = 1e6;
constexpr std::uint32_t kReadTimeoutMs = 10;

// The median and the first decile of the samples.
void MedianAndFirstDecile(std::vector<double>* values, double* median, double* firstDecile) {
  if (values->empty()) return;
  std::sort(values->begin(), values->end());
  *median = (*values)[values->size() / 2];
  *firstDecile = (*values)[values->size() / 10];
}

double MillisecondsSince(std::uint64_t start) {
  return static_cast<double>(platform::TraceNanoseconds() - start) / kNsPerMs;
}

}  // namespace

LinkCosts MeasureLinkCosts(const simtest::SimAddresses& sim, int roundTrips, int timeouts) {
  LinkCosts costs;
  qxusb::VirtualDriver driver(sim.link);
  char path[1024];
  if (driver.Enumerate(0, path, sizeof path) != qxusb::DriverStatus::kOk) return costs;
  const std::string function = std::string(path) + "\\QX";
  qxusb::DriverHandle handle;
  if (driver.Open(function.c_str(), &handle) != qxusb::DriverStatus::kOk) return costs;

  // Reads end after the read constant alone, as the gather's drains do.
  std::uint8_t timeouts32[qxusb::kTimeoutBlockSize] = {};
  timeouts32[4] = kReadTimeoutMs;
  bool ok = driver.Control(handle, qxusb::kSetTimeouts, timeouts32, sizeof timeouts32, nullptr, 0, nullptr);

  std::vector<double> trips;
  for (int i = 0; ok && i < roundTrips; ++i) {
    std::uint8_t status[2];
    std::uint32_t returned = 0;
    std::uint64_t start = platform::TraceNanoseconds();
    ok = driver.Control(handle, qxusb::kGetDeviceStatus, nullptr, 0, status, sizeof status, &returned);
    trips.push_back(MillisecondsSince(start));
  }
  // Nothing was asked of the scanner, so it sends nothing: every read waits its whole time-out.
  std::vector<double> late;
  for (int i = 0; ok && i < timeouts; ++i) {
    std::uint8_t buffer[4096];
    std::uint32_t got = 0;
    std::uint64_t start = platform::TraceNanoseconds();
    ok = driver.Read(handle, buffer, sizeof buffer, &got) == qxusb::DriverStatus::kOk && got == 0;
    late.push_back(MillisecondsSince(start) - kReadTimeoutMs);
  }
  driver.Close(handle);
  costs.ok = ok;
  MedianAndFirstDecile(&trips, &costs.roundTripMs, &costs.roundTripFastMs);
  MedianAndFirstDecile(&late, &costs.lateTimeoutMs, &costs.lateTimeoutFastMs);
  return costs;
}

}  // namespace qx::bench
