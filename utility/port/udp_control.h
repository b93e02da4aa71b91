#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/ipv4_endpoint.h"
#include "platform/loopback_socket.h"
#include "utility/port/ethernet_endpoints.h"
#include "utility/port/manual_reset_event.h"
#include "utility/port/udp_packet.h"

namespace qx::port {

class ThreadedPort;
class UdpReceiveThread;

inline constexpr std::size_t kIpTextSize = 16;

// The Ethernet port's control channel: one UDP socket, never bound (the first send picks the
// local port and replies come back to it), and a receiver thread that parses replies for the
// whole life of the channel. A complete reply that matches one of the six reply slots is stored
// with its slot number and the slot's event is set; a requester resets its slot's event, sends,
// waits, then takes the stored reply. Requests are made one at a time (the system issues them
// from one thread).
class UdpControl {
 public:
  explicit UdpControl(ThreadedPort& owner);
  ~UdpControl();
  UdpControl(const UdpControl&) = delete;
  UdpControl& operator=(const UdpControl&) = delete;

  // False when the socket or the receiver could not be made; every request then fails.
  bool Usable() const;

  void SetIpText(const char* text);
  // The address requests go to, copied terminated into out.
  void IpText(char* out, std::size_t size);

  struct Outcome {
    bool replied = false;  // the slot's event was set in time
    int result = -1;
    int length = -1;
    std::uint8_t parameters[kUdpMaxParameters] = {};
  };
  // One request and its reply. Without a reply for its slot, result and length are -1 and the
  // parameters empty.
  void Request(UdpRequest request, Outcome* outcome);

  // The network search: broadcasts, then waits the reply time while the receiver prints every
  // answering unit. 1 when the wait ran out (the search took its full time), else 0.
  int Search();

  // The receiver's dispatch of one complete reply from `from`.
  void Deliver(const UdpReply& reply, const platform::Ipv4Endpoint& from);

 private:
  static constexpr int kSlots = 6;
  static constexpr int kSearchEvent = 6;  // event 7, numbered from 0

  bool SendTo(const std::uint8_t* bytes, std::size_t length);
  bool Broadcast(const std::uint8_t* bytes, std::size_t length);
  void PrintSearchAnswer(const UdpReply& reply, const platform::Ipv4Endpoint& from);

  platform::SocketHandle socket_ = platform::kInvalidSocket;

  std::mutex ipLock_;
  char ipText_[kIpTextSize] = {};

  // The stored reply, written by the receiver and taken by the requester.
  std::mutex replyLock_;
  int storedSlot_ = -1;
  int storedResult_ = 0;
  int storedLength_ = 0;
  std::uint8_t storedParameters_[kUdpMaxParameters] = {};

  ManualResetEvent events_[kSlots + 1];
  std::atomic<int> searching_{0};
  std::unique_ptr<UdpReceiveThread> receiver_;
};

}  // namespace qx::port
