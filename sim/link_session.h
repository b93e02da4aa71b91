#pragma once

#include <cstdint>
#include <vector>

#include "sim/api_session.h"
#include "sim/bus.h"
#include "sim/control_requests.h"
#include "sim/link_frame.h"

// One connection of the QXUSB link: before 'O' it answers enumeration; after a successful 'O'
// it is that opened function handle.
namespace qx::sim {

class LinkSession {
 public:
  // `maxReadWaitMs` caps the time-out a read may ask for.
  explicit LinkSession(SimState* state, std::uint32_t maxReadWaitMs = 600000)
      : state_(state), maxReadWaitMs_(maxReadWaitMs), api_(state, maxReadWaitMs) {}

  enum class After { kKeepOpen, kClose };

  // Answers one frame into `response` (empty when the connection is to be dropped without an
  // answer, as when the device under the handle was removed).
  After Handle(const LinkFrame& frame, std::vector<std::uint8_t>* response);
  // The answer to a frame that could not be decoded.
  static std::vector<std::uint8_t> Malformed();
  // The connection went away without 'X'.
  void Closed();

 private:
  After Read(std::uint32_t max, std::uint32_t timeoutMs, std::vector<std::uint8_t>* response);
  bool HandleGone();

  SimState* state_;
  std::uint32_t maxReadWaitMs_;
  int device_ = -1;
  char function_ = 0;
  HandleState handle_;
  ApiSession api_;  // the scanner API library's ops
};

}  // namespace qx::sim
