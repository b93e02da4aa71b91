#include "utility/port/parallel_port.h"

namespace qx::port {

ParallelPort::ParallelPort(int index) : ThreadedPort(index, kPortTypeParallel, 256) {}

ParallelPort::~ParallelPort() { Close(); }

int ParallelPort::Open() { return 0; }

int ParallelPort::Write(int, const void*, int, int* written) {
  if (written != nullptr) *written = 0;
  return 0;
}

int ParallelPort::Read(void*, int, int* read) {
  if (read != nullptr) *read = 0;
  return 0;
}

int ParallelPort::Close() { return 1; }
int ParallelPort::DeviceCheck() { return 0; }
int ParallelPort::GetInfo(void*) { return 0; }
int ParallelPort::IsOpen() { return 0; }
int ParallelPort::IsReady() { return 1; }
std::int32_t ParallelPort::GetHandle() { return -1; }

int ParallelPort::SetConfig(const PortSettings& settings) {
  lptNumber_ = settings.lptPort;
  timeouts_[0] = 0xFFFFFFFFu;
  timeouts_[1] = static_cast<std::uint32_t>(settings.readTotalMultiplier);
  timeouts_[2] = static_cast<std::uint32_t>(settings.readTotalConstant);
  timeouts_[3] = static_cast<std::uint32_t>(settings.writeTotalMultiplier);
  timeouts_[4] = static_cast<std::uint32_t>(settings.writeTotalConstant);
  SetDirectMode(settings.direct);
  return 1;
}

void ParallelPort::SetDirectMode(int flag) { direct_ = flag; }
int ParallelPort::SetFlowOverride(int) { return 0; }

}  // namespace qx::port
