#pragma once

#include <cstdint>

#include "utility/port/worker_loops.h"

namespace qx::port {

class UsbPort;

// The USB writer: each chunk goes to the driver with retries bounded by the driver's own write
// time-outs; a write ended by the driver's time-out reports the count the driver gives.
class UsbWriteThread final : public WriterThread {
 public:
  UsbWriteThread(UsbPort& port, std::intptr_t handle);
  ~UsbWriteThread() override;

 private:
  std::uint32_t WriteToLink(const std::uint8_t* bytes, std::uint32_t len) override;

  UsbPort& port_;
};

// The USB reader: one driver read of up to the read chunk per pass.
class UsbReadThread final : public ReaderThread {
 public:
  UsbReadThread(UsbPort& port, std::intptr_t handle);
  ~UsbReadThread() override;

 private:
  std::uint32_t ReadFromLink(std::uint8_t* buffer, std::uint32_t capacity) override;

  UsbPort& port_;
};

}  // namespace qx::port
