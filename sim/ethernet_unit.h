#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/loopback_socket.h"

// A networked QX-R7000 (or an interface board in front of one) on a loopback address: it answers
// every request of the UDP control protocol and the network search, and takes the TCP data
// stream as a sink or an echo. It only ever binds loopback addresses (127.0.0.0/8) and only
// answers whoever asked. Built for both builds, so the Windows tests can run one in-process.
namespace qx::sim {

struct EthernetUnitProfile {
  // Its own address (requests) and the broadcast stand-in it hears searches on.
  std::uint8_t address[4] = {127, 0, 0, 2};
  std::uint8_t broadcast[4] = {127, 255, 255, 255};
  std::uint16_t udpPort = 0;  // 0: a free one (read it back with UdpPort)
  std::uint16_t tcpPort = 0;  // 0: a free one (TcpPort)

  // true: an interface board, identity result 0 and a name starting "XB-E"; false: a unit
  // answering 0xE000 with unit kind 4 at parameter byte 61.
  bool board = true;
  std::string name = "XB-E100";
  std::uint8_t hardware[2] = {1, 0x02};
  std::uint8_t software[2] = {2, 0x10};
  std::uint8_t mac[6] = {0x00, 0x80, 0x92, 0x1A, 0x2B, 0x3C};
  int identityResult = -1;  // -1: 0 for a board, 0xE000 for a unit

  int readyByte = 0;             // the ready query's parameter (0 = ready)
  int readyLength = 1;
  int deviceCheckByte = 0;
  int flowByte = -1;             // -1: echoes the flag it was sent
  int interfaceStatusByte = 4;   // parameter byte 1 of the interface status
  int deviceStatusByte = 5;      // parameter byte 38 of the device status
  std::string statusPrefix = "R700";  // parameter bytes 6..9 of the device status
  int statusResult = 0;

  bool answerSearch = true;
  bool silent = false;           // takes requests, answers none
  bool splitReplies = false;     // magic and kind letter in one datagram, the rest in pieces of 500
  bool wrongSlot = false;        // answers with the reply of another slot
  bool classFour = false;        // answers with device class 4
  int oversizeLength = 0;        // >0: replies carry this many parameter bytes (0xAB)

  bool echo = true;              // TCP: send back what arrives (else only count it)
};

class EthernetUnit {
 public:
  EthernetUnit() = default;
  ~EthernetUnit();
  EthernetUnit(const EthernetUnit&) = delete;
  EthernetUnit& operator=(const EthernetUnit&) = delete;

  // False when an address is not loopback or a socket cannot be bound.
  bool Start(const EthernetUnitProfile& profile);
  void Stop();

  std::uint16_t UdpPort() const { return udpPort_; }
  std::uint16_t TcpPort() const { return tcpPort_; }
  // Every request datagram that reached the unit's own address or the broadcast stand-in.
  std::vector<std::vector<std::uint8_t>> Requests();
  void ClearRequests();
  std::uint64_t TcpBytes() const { return tcpBytes_.load(); }
  bool TcpConnected() const { return tcpConnected_.load(); }
  // Ends the current TCP connection from the unit's side.
  void DropConnection() { dropRequested_.store(true); }
  void SetProfile(const EthernetUnitProfile& profile);

 private:
  void ServeUdp();
  void ServeTcp();
  void Answer(platform::SocketHandle socket, const std::vector<std::uint8_t>& request,
              const std::uint8_t to[4], std::uint16_t port);
  std::vector<std::uint8_t> Identity(const EthernetUnitProfile& profile) const;

  std::mutex lock_;
  EthernetUnitProfile profile_;
  std::vector<std::vector<std::uint8_t>> requests_;

  platform::SocketHandle unicast_ = platform::kInvalidSocket;
  platform::SocketHandle broadcast_ = platform::kInvalidSocket;
  platform::SocketHandle listener_ = platform::kInvalidSocket;
  std::uint16_t udpPort_ = 0;
  std::uint16_t tcpPort_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> dropRequested_{false};
  std::atomic<bool> tcpConnected_{false};
  std::atomic<std::uint64_t> tcpBytes_{0};
  std::thread udpThread_;
  std::thread tcpThread_;
};

}  // namespace qx::sim
