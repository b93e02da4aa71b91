#pragma once

#include <cstdint>

#include "utility/port/threaded_port.h"

namespace qx::port {

// Port type 1: a parallel (LPT) port. Construction and configuration; the LPT link itself is not
// part of this build yet, so Open reports failure (0) and the port answers as a closed parallel
// port does.
class ParallelPort final : public ThreadedPort {
 public:
  explicit ParallelPort(int index);
  ~ParallelPort() override;

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

  int LptNumber() const { return lptNumber_; }
  const std::uint32_t* Timeouts() const { return timeouts_; }
  int DirectMode() const { return direct_; }

 private:
  int lptNumber_ = 0;
  // ReadIntervalTimeout, read multiplier, read constant, write multiplier, write constant.
  std::uint32_t timeouts_[5] = {0xFFFFFFFFu, 5, 50, 5, 2000};
  int direct_ = 0;
};

}  // namespace qx::port
