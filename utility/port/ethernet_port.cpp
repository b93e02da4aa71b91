#include "utility/port/ethernet_port.h"

#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/datagram_socket.h"
#include "platform/socket_layer.h"
#include "platform/stream_socket.h"
#include "utility/port/ethernet_endpoints.h"
#include "utility/port/ethernet_info.h"
#include "utility/port/notifications.h"
#include "utility/port/tcp_threads.h"

namespace qx::port {

namespace {

constexpr int kEthernetReadChunk = 1024;
constexpr std::uint16_t kSocketLayerVersion = 0x0101;
constexpr std::uint32_t kSettleMs = 100;

bool GoodByteReply(const UdpControl::Outcome& outcome, std::uint8_t expected) {
  return outcome.replied && outcome.result == 0 && outcome.length == 1 && outcome.parameters[0] == expected;
}

}  // namespace

EthernetPort::EthernetPort(int index) : ThreadedPort(index, kPortTypeEthernet, kEthernetReadChunk) {
  std::uint16_t granted = 0;
  socketLayerStarted_ = platform::StartSocketLayer(kSocketLayerVersion, &granted);
  if (socketLayerStarted_ && granted == kSocketLayerVersion) {
    control_ = std::make_unique<UdpControl>(*this);
    control_->SetIpText(ipText_);
  }
}

EthernetPort::~EthernetPort() {
  control_.reset();
  Close();
  if (socketLayerStarted_) platform::StopSocketLayer();
}

void EthernetPort::IpText(char* out, std::size_t size) {
  if (size == 0) return;
  std::lock_guard<std::mutex> lock(ipLock_);
  std::snprintf(out, size, "%s", ipText_);
}

int EthernetPort::Open() {
  int result;
  {
    std::lock_guard<std::recursive_mutex> lock(lifecycle_);
    if (connected_.load() != 0) return 1;
    result = OpenLocked();
  }
  if (result == 1) {
    NotifyOpen();
    platform::SleepMilliseconds(kSettleMs);
  }
  return result;
}

int EthernetPort::OpenLocked() {
  if (control_ == nullptr) return 0;
  // Any reply to the ready query, good or bad, lets the open go on; silence does not.
  UdpControl::Outcome ready;
  control_->Request(UdpRequest::kReadyQuery, &ready);
  if (!ready.replied) return 0;

  platform::Ipv4Endpoint to;
  char text[kIpTextSize];
  IpText(text, sizeof text);
  if (!platform::ParseIpv4Text(text, to.address)) return 0;
  to.port = GetEthernetEndpoints().tcpPort;

  const platform::SocketHandle socket = platform::OpenStreamSocket();
  if (socket == platform::kInvalidSocket) return 0;
  platform::ConnectResult connected = platform::ConnectResult::kFailed;
  if (EthernetSendAllowed(EthernetTraffic::kConnect, to)) connected = platform::ConnectStream(socket, to);
  if (connected == platform::ConnectResult::kFailed) {
    platform::CloseSocket(socket);
    return 0;
  }
  socket_.store(socket);
  const std::uint32_t connection = connection_.fetch_add(1) + 1;
  if (connected == platform::ConnectResult::kOk) PostTcpNotification(socket, kTcpEventConnect, connection);

  AcceptWrites();
  if (!StartWorkers(std::make_unique<TcpSendThread>(*this, socket),
                    std::make_unique<TcpReceiveThread>(*this, socket, connection))) {
    socket_.store(-1);
    platform::CloseSocket(socket);
    return 0;
  }
  connected_.store(1);
  return 1;
}

int EthernetPort::Close() {
  bool closed = false;
  int result;
  {
    std::lock_guard<std::recursive_mutex> lock(lifecycle_);
    result = CloseLocked(&closed);
  }
  if (closed) NotifyClose();
  return result;
}

int EthernetPort::CloseLocked(bool* closed) {
  *closed = false;
  if (connected_.load() == 0) {
    platform::CloseSocket(socket_.exchange(-1));
    return 1;
  }
  try {
    RefuseWrites();
    platform::SleepMilliseconds(kSettleMs);
    PurgeRead();
    PurgeWrite();
    // No socket notices were ever asked for, so there are none to cancel. The workers are told
    // to stop before the shutdown ends the receiver's wait: it then takes the end of the stream
    // for its own stop and posts no "closed" notice about this connection.
    const platform::SocketHandle socket = socket_.load();
    RequestWorkersStop();
    platform::ShutdownSocket(socket);
    StopWorkers();
    socket_.store(-1);
    platform::CloseSocket(socket);
    connected_.store(0);
  } catch (...) {
    return 0;
  }
  *closed = true;
  return 1;
}

int EthernetPort::Write(int tag, const void* data, int length, int* written) {
  if (written != nullptr) *written = 0;
  if (connected_.load() == 0 || length <= 0 || data == nullptr) return 0;
  return QueueWrite(tag, data, length, written);
}

int EthernetPort::Read(void* buffer, int length, int* read) {
  if (read != nullptr) *read = 0;
  if (connected_.load() == 0 || length <= 0 || buffer == nullptr) return 0;
  return TakeRead(buffer, length, read);
}

int EthernetPort::IsOpen() { return connected_.load() != 0 ? 1 : 0; }

int EthernetPort::IsReady() {
  if (control_ == nullptr) return 0;
  UdpControl::Outcome outcome;
  control_->Request(UdpRequest::kReadyQuery, &outcome);
  return GoodByteReply(outcome, 0) ? 1 : 0;
}

int EthernetPort::DeviceCheck() {
  if (control_ == nullptr) return 0;
  UdpControl::Outcome outcome;
  control_->Request(UdpRequest::kDeviceCheck, &outcome);
  return GoodByteReply(outcome, 0) ? 1 : 0;
}

int EthernetPort::SetFlowOverride(int flag) {
  if (control_ == nullptr) return 0;
  UdpControl::Outcome outcome;
  control_->Request(flag != 0 ? UdpRequest::kFlowOverrideOn : UdpRequest::kFlowOverrideOff, &outcome);
  return GoodByteReply(outcome, flag != 0 ? 1 : 0) ? 1 : 0;
}

std::int32_t EthernetPort::GetHandle() { return static_cast<std::int32_t>(socket_.load()); }

int EthernetPort::SetConfig(const PortSettings& settings) {
  {
    std::lock_guard<std::mutex> lock(ipLock_);
    platform::FormatIpv4Text(settings.ipAddress, ipText_, sizeof ipText_);
    if (control_ != nullptr) control_->SetIpText(ipText_);
  }
  if (connected_.load() == 0) SetDirectMode(settings.direct);
  return 1;
}

void EthernetPort::SetDirectMode(int flag) { direct_.store(flag); }

bool EthernetPort::TakeNotice(std::intptr_t socket, int event, std::uint32_t connection) {
  bool closed = false;
  {
    std::lock_guard<std::recursive_mutex> lock(lifecycle_);
    if (socket == -1 || socket_.load() != socket || Connection() != (connection & kConnectionSerialMask)) {
      return false;
    }
    if (event == kTcpEventConnect) {
      connected_.store(1);
      NotifyOpen();
      return true;
    }
    CloseLocked(&closed);
  }
  if (closed) NotifyClose();
  return true;
}

int EthernetPort::GetInfo(void* record) {
  if (control_ == nullptr) return 0;
  if (record == nullptr) return control_->Search();
  return FillInfo(*static_cast<EthernetInfo*>(record));
}

int EthernetPort::FillInfo(EthernetInfo& info) {
  ClearEthernetInfo(info);
  UdpControl::Outcome identity;
  control_->Request(UdpRequest::kUnitIdentity, &identity);
  if (!identity.replied || (identity.result != kIdentityBoard && identity.result != kIdentityUnit)) return 0;

  const std::uint8_t* p = identity.parameters;
  if (identity.result == kIdentityUnit && p[61] == kUnitKindAskedForDeviceStatus) {
    info.interfaceKind = 0;
    FillIdentity(info, p, identity.length);
  } else if (identity.result == kIdentityBoard && IsInterfaceBoard(p, identity.length)) {
    info.interfaceKind = 1;
    FillIdentity(info, p, identity.length);
    SetBoardModelClass(info, p[36]);
  }

  UdpControl::Outcome status;
  if (info.interfaceKind == 1) {
    control_->Request(UdpRequest::kInterfaceStatus, &status);
    if (!status.replied || status.result != 0) return 0;
    info.statusFlag = status.parameters[1] == 4 || status.parameters[1] == 5 ? 1 : 0;
    return 1;
  }
  control_->Request(UdpRequest::kDeviceStatus, &status);
  if (!status.replied || status.result != 0) return 0;
  info.statusFlag = status.parameters[38] == 4 || status.parameters[38] == 5 ? 1 : 0;
  SetUnitModelClass(info, status.parameters);
  return 1;
}

}  // namespace qx::port
