#include "utility/port/udp_control.h"

#include <cstdio>
#include <cstring>

#include "platform/datagram_socket.h"
#include "utility/port/threaded_port.h"
#include "utility/port/udp_receive_thread.h"
#include "utility/port/ethernet_info.h"
#include "utility/port/usb_info.h"

namespace qx::port {

UdpControl::UdpControl(ThreadedPort& owner) {
  socket_ = platform::OpenDatagramSocket();
  if (socket_ == platform::kInvalidSocket) return;
  receiver_ = std::make_unique<UdpReceiveThread>(owner, *this, socket_);
  if (!receiver_->Resume()) receiver_.reset();
}

UdpControl::~UdpControl() {
  platform::ShutdownSocket(socket_);
  if (receiver_) {
    receiver_->RequestStop();
    receiver_->Resume();
    receiver_->Join();
    receiver_.reset();
  }
  // Closed only after the receiver has ended, so no descriptor is pulled from under it.
  platform::CloseSocket(socket_);
  socket_ = platform::kInvalidSocket;
}

bool UdpControl::Usable() const { return socket_ != platform::kInvalidSocket && receiver_ != nullptr; }

void UdpControl::SetIpText(const char* text) {
  std::lock_guard<std::mutex> lock(ipLock_);
  std::memset(ipText_, 0, sizeof ipText_);
  std::snprintf(ipText_, sizeof ipText_, "%s", text);
}

void UdpControl::IpText(char* out, std::size_t size) {
  if (size == 0) return;
  std::lock_guard<std::mutex> lock(ipLock_);
  std::snprintf(out, size, "%s", ipText_);
}

bool UdpControl::SendTo(const std::uint8_t* bytes, std::size_t length) {
  platform::Ipv4Endpoint to;
  char text[kIpTextSize];
  IpText(text, sizeof text);
  // An address that does not parse goes nowhere (inet_addr would have made it the broadcast).
  if (!platform::ParseIpv4Text(text, to.address)) return false;
  to.port = GetEthernetEndpoints().udpPort;
  if (!EthernetSendAllowed(EthernetTraffic::kRequest, to)) return false;
  return platform::SendDatagram(socket_, to, bytes, length) >= 0;
}

bool UdpControl::Broadcast(const std::uint8_t* bytes, std::size_t length) {
  const EthernetEndpoints endpoints = GetEthernetEndpoints();
  platform::Ipv4Endpoint to;
  std::memcpy(to.address, endpoints.broadcast, 4);
  to.port = endpoints.udpPort;
  if (!EthernetSendAllowed(EthernetTraffic::kBroadcast, to)) return false;
  platform::SetBroadcast(socket_, true);
  const bool sent = platform::SendDatagram(socket_, to, bytes, length) >= 0;
  platform::SetBroadcast(socket_, false);
  return sent;
}

void UdpControl::Request(UdpRequest request, Outcome* outcome) {
  *outcome = Outcome{};
  if (!Usable()) return;
  const int slot = ReplySlotOf(request);
  std::uint8_t bytes[kUdpMaxRequestSize];
  const std::size_t length = BuildUdpRequest(request, bytes);
  {
    // A reply left over from an earlier request must not pass for this one's.
    std::lock_guard<std::mutex> lock(replyLock_);
    storedSlot_ = -1;
  }
  events_[slot - 1].Reset();
  if (!SendTo(bytes, length)) return;
  if (!events_[slot - 1].Wait(GetEthernetEndpoints().replyWaitMs)) return;
  outcome->replied = true;
  std::lock_guard<std::mutex> lock(replyLock_);
  if (storedSlot_ != slot) {
    storedSlot_ = -1;
    return;
  }
  outcome->result = storedResult_;
  outcome->length = storedLength_;
  if (storedLength_ <= static_cast<int>(kUdpMaxParameters)) {
    std::memcpy(outcome->parameters, storedParameters_, static_cast<std::size_t>(storedLength_));
  }
}

int UdpControl::Search() {
  if (!Usable()) return 0;
  std::uint8_t bytes[kUdpMaxRequestSize];
  const std::size_t length = BuildUdpRequest(UdpRequest::kNetworkSearch, bytes);
  searching_.store(1);
  events_[kSearchEvent].Reset();
  Broadcast(bytes, length);
  const bool set = events_[kSearchEvent].Wait(GetEthernetEndpoints().replyWaitMs);
  searching_.store(0);
  return set ? 0 : 1;
}

void UdpControl::Deliver(const UdpReply& reply, const platform::Ipv4Endpoint& from) {
  if (searching_.load() != 0) PrintSearchAnswer(reply, from);
  const int slot = ReplySlotFor(reply.kind, reply.deviceClass, reply.deviceNumber, reply.function);
  if (slot == 0) return;
  {
    std::lock_guard<std::mutex> lock(replyLock_);
    storedSlot_ = slot;
    storedResult_ = reply.result;
    storedLength_ = reply.length;
    std::memcpy(storedParameters_, reply.parameters, sizeof storedParameters_);
  }
  events_[slot - 1].Set();
}

// Every complete search answer is looked at once, when it completes: a datagram holding two
// answers prints both, and a datagram that completes none prints nothing.
void UdpControl::PrintSearchAnswer(const UdpReply& reply, const platform::Ipv4Endpoint& from) {
  if (reply.kind != kReplyKindSearch || reply.deviceClass != 0 || reply.deviceNumber != 0 || reply.function != 0) return;
  const std::uint8_t* p = reply.parameters;
  const bool board = reply.result == 0 && reply.length >= 4 && std::memcmp(p, "XB-E", 4) == 0;
  const bool unit = reply.result == 0xE000 && reply.length > 61 && p[61] == 4;
  if (!board && !unit) return;
  char address[kIpTextSize];
  platform::FormatIpv4Text(from.address, address, sizeof address);
  char mac[kMacTextSize];
  FormatMacText(p + 40, mac, sizeof mac);
  char hardware[kVersionTextSize];
  char software[kVersionTextSize];
  FormatVersionText(hardware, sizeof hardware, p[36], p[37]);
  FormatVersionText(software, sizeof software, p[38], p[39]);
  std::printf("  Ethernet Port     %s   %s   Hard:%s Soft:%s\n", address, mac, hardware, software);
  std::fflush(stdout);
}

}  // namespace qx::port
