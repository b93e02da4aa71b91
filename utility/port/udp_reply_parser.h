#pragma once

#include <cstdint>

#include "utility/port/udp_packet.h"

namespace qx::port {

// Reads replies of the control protocol one byte at a time. Its state survives between calls, so
// a reply may arrive spread over several datagrams. Bytes that do not fit the layout send it back
// to looking for the magic; parameter bytes past the 512th are counted but not kept.
class UdpReplyParser {
 public:
  // True when this byte completed a reply; Last() then holds it until the next byte.
  bool Feed(std::uint8_t byte);
  const UdpReply& Last() const { return reply_; }
  int State() const { return state_; }

 private:
  int state_ = 0;
  int expected_ = 0;
  UdpReply reply_;
};

}  // namespace qx::port
