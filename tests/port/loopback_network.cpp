#include "tests/port/loopback_network.h"

#include <gtest/gtest.h>

namespace qx::port::testing {

LoopbackNetwork::LoopbackNetwork(std::uint32_t replyWaitMs) : replyWaitMs_(replyWaitMs) {
  ClearAttempts();
  SetEthernetSendGuard(&Guard);
  // Nothing may point outside loopback, not even before the test picks its ports.
  Point(1, 1);
}

LoopbackNetwork::~LoopbackNetwork() {
  for (const Attempt& refused : Refused()) {
    char text[16];
    platform::FormatIpv4Text(refused.to.address, text, sizeof text);
    ADD_FAILURE() << "the Ethernet port tried to send to " << text << ":" << refused.to.port;
  }
  // The guard stays: a port that outlives the test still cannot leave loopback.
}

void LoopbackNetwork::Point(std::uint16_t udpPort, std::uint16_t tcpPort) {
  EthernetEndpoints endpoints;
  endpoints.udpPort = udpPort;
  endpoints.tcpPort = tcpPort;
  const std::uint8_t broadcast[4] = {127, 255, 255, 255};
  for (int i = 0; i < 4; ++i) endpoints.broadcast[i] = broadcast[i];
  endpoints.replyWaitMs = replyWaitMs_;
  SetEthernetEndpoints(endpoints);
}

std::mutex& LoopbackNetwork::Lock() {
  static std::mutex lock;
  return lock;
}

std::vector<Attempt>& LoopbackNetwork::Log() {
  static std::vector<Attempt> log;
  return log;
}

bool LoopbackNetwork::Guard(EthernetTraffic traffic, const platform::Ipv4Endpoint& to) {
  std::lock_guard<std::mutex> lock(Lock());
  Log().push_back({traffic, to});
  return platform::IsLoopbackIpv4(to.address);
}

std::vector<Attempt> LoopbackNetwork::Attempts() {
  std::lock_guard<std::mutex> lock(Lock());
  return Log();
}

std::vector<Attempt> LoopbackNetwork::Refused() {
  std::vector<Attempt> refused;
  for (const Attempt& attempt : Attempts()) {
    if (!platform::IsLoopbackIpv4(attempt.to.address)) refused.push_back(attempt);
  }
  return refused;
}

void LoopbackNetwork::ClearAttempts() {
  std::lock_guard<std::mutex> lock(Lock());
  Log().clear();
}

}  // namespace qx::port::testing
