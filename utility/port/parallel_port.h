#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/comm_device.h"
#include "utility/port/threaded_port.h"

namespace qx::port {

// Port type 1: a parallel (LPT) port (platform/comm_device.h). Threaded mode has a writer and a
// reader with overlapped transfers and the two queues; Open raises the write-total constant to at
// least 2000 ms. Open, Close and SetConfig are serialised among themselves.
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
  int DirectMode() const { return direct_.load(); }

 private:
  int OpenLocked();
  platform::CommTimeouts CommTimeoutsOf() const;
  void ReleaseIo();

  std::mutex lifecycle_;
  std::atomic<platform::CommHandle> handle_{platform::kInvalidComm};
  int lptNumber_ = 0;
  // ReadIntervalTimeout, read multiplier, read constant, write multiplier, write constant.
  std::uint32_t timeouts_[5] = {0xFFFFFFFFu, 5, 50, 5, 2000};
  std::atomic<int> direct_{0};
  platform::CommIo* writerIo_ = nullptr;
  platform::CommIo* readerIo_ = nullptr;
};

}  // namespace qx::port
