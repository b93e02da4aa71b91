#include "sim/ethernet_unit.h"

#include <algorithm>
#include <cstring>

#include "platform/datagram_socket.h"
#include "platform/ipv4_endpoint.h"
#include "platform/stream_socket.h"

namespace qx::sim {

namespace {

constexpr std::uint32_t kWaitMs = 20;
constexpr std::size_t kIdentitySize = 64;
// Split replies go out in pieces no receiver of 512 bytes cuts.
constexpr std::size_t kSplitPiece = 500;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, int value) {
  out[at] = static_cast<std::uint8_t>(value >> 8);
  out[at + 1] = static_cast<std::uint8_t>(value);
}

}  // namespace

EthernetUnit::~EthernetUnit() { Stop(); }

bool EthernetUnit::Start(const EthernetUnitProfile& profile) {
  if (!platform::IsLoopbackIpv4(profile.address) || !platform::IsLoopbackIpv4(profile.broadcast)) return false;
  if (!platform::SocketsStartup()) return false;
  profile_ = profile;
  unicast_ = platform::OpenDatagramSocket();
  platform::Ipv4Endpoint local;
  std::memcpy(local.address, profile.address, 4);
  local.port = profile.udpPort;
  if (unicast_ == platform::kInvalidSocket || !platform::BindDatagramSocket(unicast_, local, true)) {
    Stop();
    return false;
  }
  udpPort_ = platform::BoundPort(unicast_);
  broadcast_ = platform::OpenDatagramSocket();
  platform::Ipv4Endpoint everyone;
  std::memcpy(everyone.address, profile.broadcast, 4);
  everyone.port = udpPort_;
  if (broadcast_ == platform::kInvalidSocket || !platform::BindDatagramSocket(broadcast_, everyone, true)) {
    Stop();
    return false;
  }
  platform::Ipv4Endpoint stream;
  std::memcpy(stream.address, profile.address, 4);
  stream.port = profile.tcpPort;
  listener_ = platform::ListenStream(stream, &tcpPort_);
  if (listener_ == platform::kInvalidSocket) {
    Stop();
    return false;
  }
  stop_.store(false);
  udpThread_ = std::thread([this] { ServeUdp(); });
  tcpThread_ = std::thread([this] { ServeTcp(); });
  return true;
}

void EthernetUnit::Stop() {
  stop_.store(true);
  if (udpThread_.joinable()) udpThread_.join();
  if (tcpThread_.joinable()) tcpThread_.join();
  for (auto* socket : {&unicast_, &broadcast_, &listener_}) {
    platform::CloseSocket(*socket);
    *socket = platform::kInvalidSocket;
  }
}

void EthernetUnit::SetProfile(const EthernetUnitProfile& profile) {
  std::lock_guard<std::mutex> lock(lock_);
  // Addresses and ports stay as bound.
  EthernetUnitProfile next = profile;
  std::memcpy(next.address, profile_.address, 4);
  std::memcpy(next.broadcast, profile_.broadcast, 4);
  next.udpPort = profile_.udpPort;
  next.tcpPort = profile_.tcpPort;
  profile_ = next;
}

std::vector<std::vector<std::uint8_t>> EthernetUnit::Requests() {
  std::lock_guard<std::mutex> lock(lock_);
  return requests_;
}

void EthernetUnit::ClearRequests() {
  std::lock_guard<std::mutex> lock(lock_);
  requests_.clear();
}

void EthernetUnit::ServeUdp() {
  std::uint8_t datagram[600];
  while (!stop_.load()) {
    for (platform::SocketHandle socket : {unicast_, broadcast_}) {
      platform::Ipv4Endpoint from;
      int n = platform::ReceiveDatagram(socket, datagram, sizeof datagram, &from, kWaitMs / 2);
      if (n <= 0) continue;
      std::vector<std::uint8_t> request(datagram, datagram + n);
      // Searches are answered from the broadcast socket only: where both sockets end up bound
      // to the same port on every address (Wine binds an address that is not an interface's
      // to all of them), each search still gets one answer.
      const bool search = n > 5 && request[5] == 'P';
      if (search && socket != broadcast_) continue;
      {
        std::lock_guard<std::mutex> lock(lock_);
        requests_.push_back(request);
      }
      // Answers go back from the unit's own address, as a real unit's would.
      Answer(unicast_, request, from.address, from.port);
    }
  }
}

std::vector<std::uint8_t> EthernetUnit::Identity(const EthernetUnitProfile& p) const {
  std::vector<std::uint8_t> id(kIdentitySize, 0);
  std::memcpy(id.data(), p.name.data(), std::min<std::size_t>(p.name.size(), 35));
  id[36] = p.hardware[0];
  id[37] = p.hardware[1];
  id[38] = p.software[0];
  id[39] = p.software[1];
  std::memcpy(id.data() + 40, p.mac, 6);
  id[61] = p.board ? 0 : 4;
  return id;
}

void EthernetUnit::Answer(platform::SocketHandle socket, const std::vector<std::uint8_t>& request,
                          const std::uint8_t to[4], std::uint16_t port) {
  if (request.size() < 14 || std::memcmp(request.data(), "NORVA", 5) != 0) return;
  EthernetUnitProfile p;
  {
    std::lock_guard<std::mutex> lock(lock_);
    p = profile_;
  }
  if (p.silent) return;
  const char kind = static_cast<char>(request[5]);
  const int deviceClass = request[6];
  int function = request[8] << 8 | request[9];
  const int identityResult = p.identityResult >= 0 ? p.identityResult : (p.board ? 0 : 0xE000);
  int result = 0;
  std::vector<std::uint8_t> parameters;
  if (kind == 'P') {
    if (!p.answerSearch) return;
    result = identityResult;
    parameters = Identity(p);
  } else if (kind == 'Q' && deviceClass == 0 && function == 0) {
    result = identityResult;
    parameters = Identity(p);
  } else if (kind == 'Q' && deviceClass == 3 && function == 0x0000) {
    parameters = {0, static_cast<std::uint8_t>(p.interfaceStatusByte), 0, 0};
  } else if (kind == 'Q' && deviceClass == 3 && function == 0x0001) {
    result = p.statusResult;
    parameters.assign(kIdentitySize, 0);
    std::memcpy(parameters.data() + 6, p.statusPrefix.data(), std::min<std::size_t>(p.statusPrefix.size(), 4));
    parameters[38] = static_cast<std::uint8_t>(p.deviceStatusByte);
  } else if (kind == 'Q' && deviceClass == 3 && function == 0x0020) {
    parameters.assign(static_cast<std::size_t>(p.readyLength), static_cast<std::uint8_t>(p.readyByte));
  } else if (kind == 'C' && deviceClass == 3 && function == 0x0012) {
    parameters = {static_cast<std::uint8_t>(p.deviceCheckByte)};
  } else if (kind == 'C' && deviceClass == 3 && function == 0x0015) {
    const std::uint8_t asked = request.size() > 14 ? request[14] : 0;
    parameters = {p.flowByte < 0 ? asked : static_cast<std::uint8_t>(p.flowByte)};
  } else {
    return;
  }
  if (p.wrongSlot) function = function == 0x0020 ? 0x0000 : 0x0020;
  if (p.oversizeLength > 0) parameters.assign(static_cast<std::size_t>(p.oversizeLength), 0xAB);

  std::vector<std::uint8_t> reply(14, 0);
  std::memcpy(reply.data(), "NORVA", 5);
  reply[5] = static_cast<std::uint8_t>(kind - 'A' + 'a');
  reply[6] = static_cast<std::uint8_t>(p.classFour ? 4 : deviceClass);
  reply[7] = request[7];
  Put16(reply, 8, function);
  Put16(reply, 10, result);
  Put16(reply, 12, static_cast<int>(parameters.size()));
  reply.insert(reply.end(), parameters.begin(), parameters.end());

  platform::Ipv4Endpoint back;
  std::memcpy(back.address, to, 4);
  back.port = port;
  // Answers only to loopback senders; nothing else could have reached a loopback socket.
  if (!platform::IsLoopbackIpv4(back.address)) return;
  if (p.splitReplies) {
    platform::SendDatagram(socket, back, reply.data(), 6);
    for (std::size_t at = 6; at < reply.size(); at += kSplitPiece) {
      platform::SendDatagram(socket, back, reply.data() + at, std::min(kSplitPiece, reply.size() - at));
    }
  } else {
    platform::SendDatagram(socket, back, reply.data(), reply.size());
  }
}

void EthernetUnit::ServeTcp() {
  std::vector<std::uint8_t> buffer(65536);
  while (!stop_.load()) {
    platform::SocketHandle connection = platform::AcceptStream(listener_, kWaitMs);
    if (connection == platform::kInvalidSocket) continue;
    tcpConnected_.store(true);
    dropRequested_.store(false);
    while (!stop_.load() && !dropRequested_.load()) {
      int n = platform::ReceiveStream(connection, buffer.data(), buffer.size(), kWaitMs);
      if (n == platform::kStreamEnded) break;
      if (n <= 0) continue;
      tcpBytes_.fetch_add(static_cast<std::uint64_t>(n));
      bool echo;
      {
        std::lock_guard<std::mutex> lock(lock_);
        echo = profile_.echo;
      }
      if (echo && !platform::SendAll(connection, buffer.data(), static_cast<std::size_t>(n))) break;
    }
    platform::ShutdownSocket(connection);
    platform::CloseSocket(connection);
    tcpConnected_.store(false);
  }
}

}  // namespace qx::sim
