#pragma once

#include <cstdint>

#include "platform/ipv4_endpoint.h"

// Where the Ethernet port sends: its TCP and UDP ports, the broadcast address of the network
// search and how long a control request waits for its reply. The product's values are the
// defaults; the library's own tests and demos point them at loopback before anything is sent.
namespace qx::port {

inline constexpr std::uint16_t kDefaultTcpPort = 9100;
inline constexpr std::uint16_t kDefaultUdpPort = 3289;
inline constexpr std::uint32_t kDefaultReplyWaitMs = 3000;

struct EthernetEndpoints {
  std::uint16_t tcpPort = kDefaultTcpPort;
  std::uint16_t udpPort = kDefaultUdpPort;
  std::uint8_t broadcast[4] = {255, 255, 255, 255};
  std::uint32_t replyWaitMs = kDefaultReplyWaitMs;  // also the length of the network search
};

EthernetEndpoints GetEthernetEndpoints();
void SetEthernetEndpoints(const EthernetEndpoints& endpoints);

// What is about to leave: 'U' a control request to the device, 'B' the search broadcast, 'T' the
// TCP connection.
enum class EthernetTraffic : char { kRequest = 'U', kBroadcast = 'B', kConnect = 'T' };

// Asked before every datagram and every connect; false stops it, which then counts as a socket
// error. None by default.
using EthernetSendGuard = bool (*)(EthernetTraffic traffic, const platform::Ipv4Endpoint& to);
void SetEthernetSendGuard(EthernetSendGuard guard);
bool EthernetSendAllowed(EthernetTraffic traffic, const platform::Ipv4Endpoint& to);

}  // namespace qx::port
