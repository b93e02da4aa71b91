#pragma once

#include <cstdint>

#include "utility/port/port_records.h"

namespace qx {

// How the utility reaches the scanner: the port library with its four ports, finding and opening
// the one QX-R7000 on the USB port, the driver and device-state checks, and the error cause the
// scanner reports after a failed read. Used on one thread at a time; holds no locks.
class DeviceConnection {
 public:
  // Find-and-open results.
  static constexpr int kFoundOne = 1;
  static constexpr int kFoundNone = -1;
  static constexpr int kFoundMany = 2;
  static constexpr int kFoundBusy = 3;

  DeviceConnection();

  // Starts the port library with one port of each type (indexes 0..3) and configures them.
  void Startup();
  // Shuts the port library down.
  void Shutdown();

  // The timeouts a scanner conversation uses, applied to all four ports.
  void ApplyTimings();
  // 1 (exactly one scanner, open on port 2), -1 (none), 2 (more than one), 3 (stayed busy).
  int FindAndOpen();
  // 1 when the driver is 3.00 or later and the host controller is not the unknown kind; else 201
  // or 202, or `controlFailure` when a control request failed.
  int CheckDriverAndHostController(int controlFailure);
  // 0 normal state; -1 special mode seen in the normal run mode; 1 switch bit set, 2 switch bit
  // clear, 3 counter request answered (special mode, other run modes); -3 a write failed; -4 the
  // port is not ready.
  int CheckDeviceState();
  // Asks the scanner why a read failed: 1 when the exchange ended cleanly, 0 when it could not be
  // made or the mode could not be set back, -3 / -4 a write failed / a status byte never came.
  // *code receives the code found (403-425, or 0 for a reply with no listed bit) and *found says
  // whether there was one.
  int QueryErrorCause(int* code, bool* found);
  // Opens the connection's port again for at most 1500 ms: 1 open, -1 no device, 0 timed out.
  int ReopenCheck();
  // The result of a gather whose read failed, after the re-open check and the error-cause query;
  // closes the port. Results other than 401 pass unchanged (the port is still closed).
  int ResultAfterFailedRead(int result);
  // 1 entered, 0 failed, -3 a write failed.
  int EnterCalibrationMode();
  void ExitCalibrationMode();
  void Close();

  // The port index every node sends through.
  const int* PortField() const { return &settings_.port; }
  const port::PortSettings& Settings() const { return settings_; }

 private:
  void ApplyTo(int port, std::int32_t readMultiplier, std::int32_t readConstant,
               std::int32_t writeMultiplier, std::int32_t writeConstant);
  // One pass over the devices: counts scanners, notes a busy one and the last scanner's number.
  void CountScanners(int* count, bool* busy, int* lastScanner);
  bool IsScannerIdentity();
  int SetStatusExchangeMode(std::uint32_t mode);

  port::PortSettings settings_;
};

}  // namespace qx
