#pragma once

#include <cstdint>

#include "utility/port/port_thread.h"
#include "utility/port/udp_reply_parser.h"

namespace qx::port {

class UdpControl;

// The control channel's receiver: takes datagrams of up to 512 bytes and feeds every byte to the
// parser, handing each complete reply to the channel with the address it came from.
class UdpReceiveThread final : public PortThread {
 public:
  UdpReceiveThread(ThreadedPort& owner, UdpControl& control, std::intptr_t socket);
  ~UdpReceiveThread() override;

 private:
  void Run() override;

  UdpControl& control_;
  UdpReplyParser parser_;
};

}  // namespace qx::port
