#include "utility/port/ethernet_port.h"

#include <cstdio>

namespace qx::port {

namespace {

constexpr int kEthernetReadChunk = 1024;

}  // namespace

EthernetPort::EthernetPort(int index) : ThreadedPort(index, kPortTypeEthernet, kEthernetReadChunk) {}

EthernetPort::~EthernetPort() { Close(); }

int EthernetPort::Open() { return IsOpen(); }

int EthernetPort::Write(int, const void*, int, int* written) {
  if (written != nullptr) *written = 0;
  return 0;
}

int EthernetPort::Read(void*, int, int* read) {
  if (read != nullptr) *read = 0;
  return 0;
}

int EthernetPort::Close() {
  if (connected_.exchange(0) == 0) {
    socket_.store(-1);
    return 1;
  }
  socket_.store(-1);
  NotifyClose();
  return 1;
}

int EthernetPort::DeviceCheck() { return 0; }
int EthernetPort::GetInfo(void*) { return 0; }
int EthernetPort::IsOpen() { return connected_.load() != 0 ? 1 : 0; }
int EthernetPort::IsReady() { return 0; }
std::int32_t EthernetPort::GetHandle() { return static_cast<std::int32_t>(socket_.load()); }

int EthernetPort::SetConfig(const PortSettings& settings) {
  std::snprintf(ipText_, sizeof ipText_, "%d.%d.%d.%d", settings.ipAddress[0], settings.ipAddress[1],
                settings.ipAddress[2], settings.ipAddress[3]);
  if (IsOpen() != 1) SetDirectMode(settings.direct);
  return 1;
}

void EthernetPort::SetDirectMode(int flag) { direct_ = flag; }
int EthernetPort::SetFlowOverride(int) { return 0; }

void EthernetPort::ConfirmConnected() {
  connected_.store(1);
  NotifyOpen();
}

}  // namespace qx::port
