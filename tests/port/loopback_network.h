#pragma once

#include <mutex>
#include <vector>

#include "platform/ipv4_endpoint.h"
#include "utility/port/ethernet_endpoints.h"

namespace qx::port::testing {

// What the Ethernet port tried to send, as its send guard saw it.
struct Attempt {
  EthernetTraffic traffic;
  platform::Ipv4Endpoint to;
};

// Keeps the Ethernet port on loopback: while it lives, every datagram and connect passes a guard
// that records it and refuses any address outside 127.0.0.0/8, and the ports, broadcast address
// and reply wait are the test's. Refused attempts fail the test that made them when it ends.
class LoopbackNetwork {
 public:
  explicit LoopbackNetwork(std::uint32_t replyWaitMs = 400);
  ~LoopbackNetwork();

  void Point(std::uint16_t udpPort, std::uint16_t tcpPort);
  static std::vector<Attempt> Attempts();
  static std::vector<Attempt> Refused();
  static void ClearAttempts();

 private:
  static bool Guard(EthernetTraffic traffic, const platform::Ipv4Endpoint& to);
  static std::mutex& Lock();
  static std::vector<Attempt>& Log();

  std::uint32_t replyWaitMs_;
};

}  // namespace qx::port::testing
