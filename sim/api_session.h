#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "sim/bus.h"
#include "sim/link_frame.h"

// The scanner-API side of one link connection: after 'A' it is the library's open scanner, after
// 'V' the library's event connection for that scanner. Every answer that carries a library result
// is "0 + i32 result + data"; status 1 answers a request on a connection that is neither.
namespace qx::sim {

class ApiSession {
 public:
  // `maxWaitMs` caps how long an answer may be held back (event waits, the cleaning's duration).
  ApiSession(SimState* state, std::uint32_t maxWaitMs) : state_(state), maxWaitMs_(maxWaitMs) {}

  static bool IsApiOp(std::uint8_t op);
  bool active() const { return device_ >= 0; }
  // Answers one frame; `lock` holds the state's mutex and may be released while waiting.
  void Handle(const LinkFrame& frame, std::unique_lock<std::mutex>* lock, std::vector<std::uint8_t>* response);
  // The connection ended ('X' or dropped): an open scanner is closed.
  void Closed();

 private:
  ApiScanner* Scanner();
  void NextEvent(std::uint32_t waitMs, std::unique_lock<std::mutex>* lock, std::vector<std::uint8_t>* response);

  SimState* state_;
  std::uint32_t maxWaitMs_;
  int device_ = -1;
  bool events_ = false;  // the event connection, not the scanner itself
};

}  // namespace qx::sim
