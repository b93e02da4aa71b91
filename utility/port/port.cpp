#include "utility/port/port.h"

namespace qx::port {

void Port::SetCallbacks(const PortCallbacks& callbacks) {
  onOpen_.store(callbacks.onOpen);
  onClose_.store(callbacks.onClose);
  onWriteProgress_.store(callbacks.onWriteProgress);
  onReceive_.store(callbacks.onReceive);
}

int Port::DriverControl(std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t, std::uint32_t* returned) {
  if (returned != nullptr) *returned = 0;
  return 0;
}

void Port::NotifyOpen() {
  PortOpenCallback callback = onOpen_.load();
  if (callback != nullptr && IsOpen() == 1) callback(index_);
}

void Port::NotifyClose() {
  PortCloseCallback callback = onClose_.load();
  if (callback != nullptr) callback(index_);
}

void Port::NotifyWriteProgress(int tag, int count, int complete) {
  PortWriteProgressCallback callback = onWriteProgress_.load();
  if (callback != nullptr && IsOpen() == 1) callback(index_, tag, count, complete);
}

int Port::FinishDirectWrite(int tag, std::uint32_t done, std::uint32_t length, int* written) {
  if (written != nullptr) *written = static_cast<int>(done);
  const int complete = done == length ? 1 : 0;
  NotifyWriteProgress(tag, static_cast<int>(done), complete);
  return complete;
}

void Port::NotifyReceive(int available) {
  PortReceiveCallback callback = onReceive_.load();
  if (callback != nullptr && IsOpen() == 1) callback(index_, available);
}

}  // namespace qx::port
