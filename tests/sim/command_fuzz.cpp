// Fuzzes the scanner's command parser and replies: the first bytes choose how the stream is cut
// into writes and which faults are on; every command must be taken whole or waited for, and the
// replies must stay within the device's queue.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sim/command_parser.h"
#include "sim/fault.h"
#include "sim/sim_device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  std::size_t chunk = 1 + data[0] % 16;
  std::uint8_t faults = data[1];
  data += 2;
  size -= 2;

  qx::sim::Command command;
  for (std::size_t at = 0; at < size;) {
    if (qx::sim::ParseCommand(data + at, size - at, &command) != qx::sim::ParseStatus::kComplete) break;
    if (command.length == 0 || command.length > size - at) std::abort();
    at += command.length;
  }

  static qx::sim::DeviceProfile profile = [] {
    qx::sim::DeviceProfile p;
    p.scanner.calibration.assign(qx::sim::kCalibrationMemorySize, 0x33);
    p.scanner.errorHistory = "E101:PAPER JAM,E203:DBL FEED,E310:COVER OPEN,";
    p.scanner.errorHistoryBlock = 7;
    p.scanner.calibrationBlock = 5;
    for (auto& t : p.scanner.thresholds) t.answered = true;
    return p;
  }();
  qx::sim::DriverProfile driver;
  qx::sim::SimDevice device(0, profile, driver);
  qx::sim::RequestLog log;
  static const char* kFaults[] = {"cut 3", "xon-xoff", "wrong-header", "long-header 600", "drop 40", "delay 5",
                                  "write-timeout 2", "no-reply"};
  for (int i = 0; i < 8; ++i) {
    qx::sim::FaultSpec f;
    if ((faults >> i) & 1 && qx::sim::ParseFault(kFaults[i], &f, nullptr)) device.AddFault(f);
  }
  std::uint8_t out[512];
  for (std::size_t at = 0; at < size; at += chunk) {
    std::size_t n = size - at < chunk ? size - at : chunk;
    device.Write('Q', data + at, n, static_cast<std::uint32_t>(at), &log);
    while (device.Take('Q', out, sizeof out, static_cast<std::uint32_t>(at + 10), &log) > 0) {
    }
  }
  return 0;
}
