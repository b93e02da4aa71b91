#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/profile.h"
#include "sim/scanner_responder.h"

// The QXUSB driver's control requests as the simulated driver answers them for one opened
// function handle.
namespace qx::sim {

// What the driver keeps per opened handle.
struct HandleState {
  std::array<std::uint32_t, 8> timeouts{5, 50, 5, 2000, 0, 0, 0, 0};
  std::uint32_t writtenAfterTimeout = 0;
};

// Answers one request: true with `output` holding the returned bytes (at most outputSize), or
// false as the driver fails it: unknown code, an output buffer too small for the answer, an
// input of the wrong size or value.
bool AnswerControl(const DriverProfile& driver, const DeviceProfile& device, ScannerResponder* responder,
                   HandleState* handle, std::uint32_t code, const std::uint8_t* input,
                   std::uint32_t inputSize, std::uint32_t outputSize, std::vector<std::uint8_t>* output);

}  // namespace qx::sim
