#include "utility/port/usb_threads.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "utility/port/notifications.h"
#include "utility/port/qxusb_contract.h"
#include "utility/port/usb_port.h"

namespace qx::port {

using qxusb::DriverStatus;

UsbWriteThread::UsbWriteThread(UsbPort& port, std::intptr_t handle) : WriterThread(port, handle), port_(port) {}

// The thread must end before this object goes: Run belongs to it.
UsbWriteThread::~UsbWriteThread() {
  RequestStop();
  Join();
}

std::uint32_t UsbWriteThread::WriteToLink(const std::uint8_t* bytes, std::uint32_t len) {
  const qxusb::DriverHandle handle = Link();
  std::uint32_t block[qxusb::kTimeoutBlockSize / 4] = {};
  std::uint32_t returned = 0;
  if (!port_.Control(handle, qxusb::kGetTimeouts, nullptr, 0, block, sizeof block, &returned)) {
    std::memset(block, 0, sizeof block);
  }
  const std::uint64_t attempts = (std::uint64_t{block[2]} * len + block[3] + 9) / 10;
  for (std::uint64_t call = 0; call <= attempts; ++call) {
    if (call > 0) {
      if (StopRequested()) return 0;
      platform::SleepMilliseconds(10);
      if (StopRequested()) return 0;
    }
    std::uint32_t written = 0;
    DriverStatus status = port_.WriteLink(handle, bytes, len, &written);
    if (status == DriverStatus::kOk) return std::min(written, len);
    if (status == DriverStatus::kSemTimeout) return port_.WrittenAfterTimeout(handle, len);
    ReportLinkFailure();
  }
  return 0;
}

UsbReadThread::UsbReadThread(UsbPort& port, std::intptr_t handle) : ReaderThread(port, handle), port_(port) {}

UsbReadThread::~UsbReadThread() {
  RequestStop();
  Join();
}

std::uint32_t UsbReadThread::ReadFromLink(std::uint8_t* buffer, std::uint32_t capacity) {
  std::uint32_t got = 0;
  if (port_.ReadLink(Link(), buffer, capacity, &got) != DriverStatus::kOk) {
    ReportLinkFailure();
    return 0;
  }
  return std::min(got, capacity);
}

}  // namespace qx::port
