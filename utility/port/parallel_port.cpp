#include "utility/port/parallel_port.h"

#include <memory>

#include "platform/clock.h"
#include "utility/port/comm_threads.h"

namespace qx::port {

namespace {

constexpr std::uint32_t kMinimumWriteConstant = 2000;
constexpr std::uint32_t kCloseSettleMs = 100;

}  // namespace

ParallelPort::ParallelPort(int index) : ThreadedPort(index, kPortTypeParallel, 256) {}

ParallelPort::~ParallelPort() { Close(); }

platform::CommTimeouts ParallelPort::CommTimeoutsOf() const {
  return platform::CommTimeouts{timeouts_[0], timeouts_[1], timeouts_[2], timeouts_[3], timeouts_[4]};
}

void ParallelPort::ReleaseIo() {
  platform::DestroyCommIo(writerIo_);
  platform::DestroyCommIo(readerIo_);
  writerIo_ = readerIo_ = nullptr;
}

int ParallelPort::Open() {
  int result;
  {
    std::lock_guard<std::mutex> lock(lifecycle_);
    if (handle_.load() != platform::kInvalidComm) return 1;
    result = OpenLocked();
  }
  if (result == 1) NotifyOpen();
  return result;
}

int ParallelPort::OpenLocked() {
  char path[platform::kCommPathSize];
  platform::ComposeCommDeviceName(platform::CommKind::kLpt, lptNumber_ + 1, path, sizeof path);
  const bool threaded = direct_.load() == 0;
  const platform::CommHandle handle = platform::OpenCommDevice(path, threaded);
  if (handle == platform::kInvalidComm) return 0;
  if (timeouts_[4] < kMinimumWriteConstant) timeouts_[4] = kMinimumWriteConstant;
  bool ok = platform::SetCommDeviceTimeouts(handle, CommTimeoutsOf());
  if (ok && threaded) {
    writerIo_ = platform::CreateCommIo();
    readerIo_ = platform::CreateCommIo();
    ok = writerIo_ != nullptr && readerIo_ != nullptr;
  }
  if (ok) {
    AcceptWrites();
    handle_.store(handle);
    if (threaded) {
      ok = StartWorkers(std::make_unique<LptWriteThread>(*this, handle, writerIo_),
                        std::make_unique<LptReadThread>(*this, handle, readerIo_));
    }
  }
  if (!ok) {
    handle_.store(platform::kInvalidComm);
    ReleaseIo();
    platform::CloseCommDevice(handle);
    return 0;
  }
  return 1;
}

int ParallelPort::Close() {
  {
    std::lock_guard<std::mutex> lock(lifecycle_);
    const platform::CommHandle handle = handle_.load();
    if (handle == platform::kInvalidComm) return 1;
    try {
      RefuseWrites();
      platform::SleepMilliseconds(kCloseSettleMs);
      PurgeRead();
      PurgeWrite();
      StopWorkers();
      ReleaseIo();
      handle_.store(platform::kInvalidComm);
      platform::CloseCommDevice(handle);
    } catch (...) {
      return 0;
    }
  }
  NotifyClose();
  return 1;
}

int ParallelPort::Write(int tag, const void* data, int length, int* written) {
  if (written != nullptr) *written = 0;
  const platform::CommHandle handle = handle_.load();
  if (handle == platform::kInvalidComm || length <= 0 || data == nullptr || WritesRefused()) return 0;
  if (direct_.load() == 0) return QueueWrite(tag, data, length, written);
  std::uint32_t count = 0;
  platform::WriteCommDirect(handle, data, static_cast<std::uint32_t>(length), &count);
  return FinishDirectWrite(tag, count, static_cast<std::uint32_t>(length), written);
}

int ParallelPort::Read(void* buffer, int length, int* read) {
  if (read != nullptr) *read = 0;
  const platform::CommHandle handle = handle_.load();
  if (handle == platform::kInvalidComm || length <= 0 || buffer == nullptr) return 0;
  if (direct_.load() == 0) return TakeRead(buffer, length, read);
  std::uint32_t count = 0;
  platform::ReadCommDirect(handle, buffer, static_cast<std::uint32_t>(length), &count);
  if (read != nullptr) *read = static_cast<int>(count);
  return count == static_cast<std::uint32_t>(length) ? 1 : 0;
}

int ParallelPort::DeviceCheck() { return 0; }
int ParallelPort::GetInfo(void*) { return 0; }
int ParallelPort::IsOpen() { return handle_.load() != platform::kInvalidComm ? 1 : 0; }
int ParallelPort::IsReady() { return 1; }
std::int32_t ParallelPort::GetHandle() { return static_cast<std::int32_t>(handle_.load()); }

int ParallelPort::SetConfig(const PortSettings& settings) {
  std::lock_guard<std::mutex> lock(lifecycle_);
  lptNumber_ = settings.lptPort;
  timeouts_[0] = 0xFFFFFFFFu;
  timeouts_[1] = static_cast<std::uint32_t>(settings.readTotalMultiplier);
  timeouts_[2] = static_cast<std::uint32_t>(settings.readTotalConstant);
  timeouts_[3] = static_cast<std::uint32_t>(settings.writeTotalMultiplier);
  timeouts_[4] = static_cast<std::uint32_t>(settings.writeTotalConstant);
  const platform::CommHandle handle = handle_.load();
  // The 2000 ms floor applies only at Open.
  if (handle != platform::kInvalidComm) return platform::SetCommDeviceTimeouts(handle, CommTimeoutsOf()) ? 1 : 0;
  SetDirectMode(settings.direct);
  return 1;
}

void ParallelPort::SetDirectMode(int flag) { direct_.store(flag); }
int ParallelPort::SetFlowOverride(int) { return 0; }

}  // namespace qx::port
