#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "sim/api_scanner.h"
#include "sim/control_requests.h"
#include "sim/profile.h"
#include "sim/request_log.h"
#include "sim/scanner_responder.h"

// One simulated device on the bus: its scanner function's command stream and reply queue with
// the faults applied on the way out, its display function, and its removal.
namespace qx::sim {

struct WriteOutcome {
  std::uint32_t accepted = 0;
  bool timedOut = false;
};

class SimDevice {
 public:
  SimDevice(int index, const DeviceProfile& profile, const DriverProfile& driver);
  SimDevice(const SimDevice&) = delete;
  SimDevice& operator=(const SimDevice&) = delete;

  const DeviceProfile& profile() const { return profile_; }
  bool removed() const { return removed_; }
  void Remove(RequestLog* log);

  // Bytes written to a function ('Q' scanner, 'K' display) at time `now` (ms).
  WriteOutcome Write(char function, const std::uint8_t* data, std::size_t size, std::uint32_t now,
                     RequestLog* log);
  // Bytes of the scanner function's replies readable at `now`, counted up to `limit`;
  // `nextReady` gets the time the next delayed byte becomes readable, or stays untouched.
  std::size_t Readable(char function, std::uint32_t now, std::uint32_t* nextReady,
                       std::size_t limit = SIZE_MAX) const;
  // Takes up to `max` readable bytes.
  std::size_t Take(char function, std::uint8_t* out, std::size_t max, std::uint32_t now, RequestLog* log);

  bool Control(HandleState* handle, std::uint32_t code, const std::uint8_t* input, std::uint32_t inputSize,
               std::uint32_t outputSize, std::vector<std::uint8_t>* output, RequestLog* log);

  // The scanner as the scanner API library reaches it.
  ApiScanner& api() { return api_; }

  // The next byte out belongs to a reply that goes one byte per read.
  bool bytePerRead() const { return !output_.empty() && output_.front().onePerRead; }

  void AddFault(const FaultSpec& fault);
  void ClearFaults();

 private:
  struct OutByte {
    std::uint8_t value;
    std::uint32_t readyAt;
    bool removeAfter;  // the link drops once this byte has gone out
    bool onePerRead;   // its reply is under a byte-per-read fault
  };

  void Queue(const std::uint8_t* command, std::size_t commandSize, std::vector<std::uint8_t> reply,
             std::uint32_t now, RequestLog* log);
  bool Applies(const FaultSpec& fault, const std::uint8_t* command, std::size_t size) const;

  int index_;
  DeviceProfile profile_;
  DriverProfile driver_;
  ScannerResponder responder_;
  ApiScanner api_;
  std::vector<FaultSpec> faults_;
  std::vector<std::uint32_t> controlsSeen_;  // per fault: the unplug's control requests so far
  std::vector<std::uint8_t> input_;
  std::deque<OutByte> output_;
  std::uint32_t dropCounted_ = 0;
  bool dropArmed_ = true;
  bool removed_ = false;
};

}  // namespace qx::sim
