#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "utility/port/notifications.h"
#include "utility/port/threaded_port.h"
#include "utility/port/udp_control.h"

namespace qx::port {

// Port type 3: a networked scanner or interface board. Data goes over a TCP connection to port
// 9100 through a sender and a receiver thread (always threaded); status and control go over the
// UDP control channel on port 3289, which lives as long as the port object, open or not. Ports,
// broadcast address and reply wait come from ethernet_endpoints.h.
//
// Open, Close and the connection notices are serialised among themselves (Close may come from the
// notification receiver when the unit ends the connection).
class EthernetPort final : public ThreadedPort {
 public:
  explicit EthernetPort(int index);
  ~EthernetPort() override;

  int Open() override;
  int Write(int tag, const void* data, int length, int* written) override;
  int Read(void* buffer, int length, int* read) override;
  int Close() override;
  int DeviceCheck() override;
  // record null: the network search, printing one line per answering unit.
  int GetInfo(void* record) override;
  int IsOpen() override;
  int IsReady() override;
  std::int32_t GetHandle() override;
  int SetConfig(const PortSettings& settings) override;
  void SetDirectMode(int flag) override;
  int SetFlowOverride(int flag) override;

  // A "connected" or "closed" notice: acted on (connected marked and on-open called, or the port
  // closed) and true only when (socket, connection) is the connection the port has open now.
  bool TakeNotice(std::intptr_t socket, int event, std::uint32_t connection);
  // The serial number of the current (or last) connection, as notices carry it.
  std::uint32_t Connection() const { return connection_.load() & kConnectionSerialMask; }

  // The device address as text, copied terminated into out.
  void IpText(char* out, std::size_t size);
  int DirectMode() const { return direct_.load(); }
  // Null when the socket layer 1.1 did not start.
  UdpControl* Control() { return control_.get(); }

 private:
  int OpenLocked();
  // *closed: the connection was open and is now closed (on-close is due).
  int CloseLocked(bool* closed);
  int FillInfo(EthernetInfo& info);

  std::atomic<std::intptr_t> socket_{-1};
  std::mutex ipLock_;
  char ipText_[kIpTextSize] = "192.168.192.168";
  std::atomic<int> direct_{0};
  std::atomic<int> connected_{0};
  std::atomic<std::uint32_t> connection_{0};
  bool socketLayerStarted_ = false;
  std::unique_ptr<UdpControl> control_;
  // Open, Close and the notices are serialised by it; recursive, because on-open runs under it
  // (so it can never follow the on-close of the same connection) and may close the port.
  std::recursive_mutex lifecycle_;
};

}  // namespace qx::port
