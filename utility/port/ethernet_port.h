#pragma once

#include <atomic>
#include <cstdint>

#include "utility/port/threaded_port.h"

namespace qx::port {

inline constexpr std::size_t kIpTextSize = 16;

// Port type 3: a networked scanner over TCP 9100 with a UDP control channel on 3289.
// Construction and configuration; the TCP link and the control channel are not part of this
// build yet, so the port behaves as one whose control channel could not start: Open and the
// status operations report 0.
class EthernetPort final : public ThreadedPort {
 public:
  explicit EthernetPort(int index);
  ~EthernetPort() override;

  int Open() override;
  int Write(int tag, const void* data, int length, int* written) override;
  int Read(void* buffer, int length, int* read) override;
  int Close() override;
  int DeviceCheck() override;
  int GetInfo(void* record) override;
  int IsOpen() override;
  int IsReady() override;
  std::int32_t GetHandle() override;
  int SetConfig(const PortSettings& settings) override;
  void SetDirectMode(int flag) override;
  int SetFlowOverride(int flag) override;

  // The TCP connection reported itself connected: mark it and tell the caller.
  void ConfirmConnected();

  const char* IpText() const { return ipText_; }
  int DirectMode() const { return direct_; }

 private:
  std::atomic<std::intptr_t> socket_{-1};
  std::atomic<int> connected_{0};
  char ipText_[kIpTextSize] = "192.168.192.168";
  int direct_ = 0;
};

}  // namespace qx::port
