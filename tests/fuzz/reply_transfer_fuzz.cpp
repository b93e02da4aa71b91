// Whatever bytes the scanner sends, split however the driver delivers them, the reply reader and
// the two multi-block transfers stay inside their buffers and give up within their time-outs.
// The USB port runs in direct mode over an in-process driver that serves the input and never
// blocks; the process clock is a virtual one that only sleeping advances, so a 2000 ms time-out
// costs no real time. The input: an operation byte, a capacity byte, then per driver read a
// split byte (how many bytes this read delivers, 0 = none yet; 0..7, or up to 508 from 128 on)
// followed by those bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/clock.h"
#include "utility/nodes/port_scanner_requests.h"
#include "utility/nodes/reply_reader.h"
#include "utility/port/port_api.h"
#include "utility/port/port_driver.h"
#include "utility/port/qxusb_driver.h"

// The virtual clock, taken by the linker instead of the platform library's.
namespace {
std::uint32_t g_now = 0;
}  // namespace

namespace qx::platform {
std::uint32_t MillisecondClock() { return g_now; }
void SleepMilliseconds(std::uint32_t milliseconds) { g_now += milliseconds; }
}  // namespace qx::platform

namespace {

using qx::qxusb::DriverHandle;
using qx::qxusb::DriverStatus;

constexpr DriverHandle kHandle = 7;
constexpr int kUsbPort = 2;
// One byte may take 2000 ms, plus the 1 ms pause of the round that found it.
constexpr std::uint64_t kPerByteMs = qx::kReplyByteTimeoutMs + 1;

class ServedDriver final : public qx::qxusb::Driver {
 public:
  void Serve(const std::uint8_t* data, std::size_t size) {
    data_ = data;
    size_ = size;
    delivered_ = 0;
  }
  std::size_t delivered() const { return delivered_; }

  DriverStatus Enumerate(std::uint32_t member, char* path, std::size_t size) override {
    if (member != 0 || size == 0) return DriverStatus::kNoMoreItems;
    std::snprintf(path, size, "%s", "\\\\?\\fuzz#0");
    return DriverStatus::kOk;
  }
  DriverStatus Open(const char*, DriverHandle* handle) override {
    *handle = kHandle;
    return DriverStatus::kOk;
  }
  DriverStatus Write(DriverHandle, const void*, std::uint32_t length, std::uint32_t* written) override {
    *written = length;
    return DriverStatus::kOk;
  }
  DriverStatus Read(DriverHandle, void* buffer, std::uint32_t capacity, std::uint32_t* got) override {
    *got = 0;
    if (size_ == 0) return DriverStatus::kOk;
    // Mostly a few bytes at a time, sometimes a whole block at once.
    std::uint32_t split = *data_ < 128 ? *data_ % 8u : (*data_ - 128u) * 4u;
    ++data_;
    --size_;
    std::uint32_t n = split < capacity ? split : capacity;
    if (n > size_) n = static_cast<std::uint32_t>(size_);
    std::memcpy(buffer, data_, n);
    data_ += n;
    size_ -= n;
    delivered_ += n;
    *got = n;
    return DriverStatus::kOk;
  }
  bool Control(DriverHandle, std::uint32_t, const void*, std::uint32_t, void* output, std::uint32_t outputSize,
               std::uint32_t* returned) override {
    // Ready, and every query answered with zeros.
    if (output != nullptr && outputSize > 0) std::memset(output, 0, outputSize);
    *returned = outputSize;
    return true;
  }
  void Close(DriverHandle) override {}

 private:
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t delivered_ = 0;
};

ServedDriver g_driver;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SetUpPorts() {
  qx::port::SetPortDriver(&g_driver);
  qx::port::PortInitialize(nullptr);
  for (int type = 0; type <= kUsbPort; ++type) qx::port::PortCreate(type);
  qx::port::PortSettings settings{};
  settings.port = kUsbPort;
  settings.direct = 1;
  settings.baudCode = 4;
  settings.dataBits = 8;
  settings.writeTotalConstant = 2000;
  settings.readTotalConstant = 10;
  return qx::port::PortSetConfig(kUsbPort, &settings) == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = SetUpPorts();
  Check(ready);
  if (size < 2) return 0;
  const int operation = data[0] % 5;
  const std::size_t capacity = 1 + data[1] % 64 + (data[1] & 0x80 ? qx::kNodeReplySize : 0);
  g_driver.Serve(data + 2, size - 2);
  Check(qx::port::PortOpen(kUsbPort) == 1);

  qx::PortScannerRequests requests;
  const std::uint8_t command[] = {0x1D, 'I', 0x42};
  const std::uint32_t start = g_now;
  switch (operation) {
    case 0: {
      // Exactly `capacity` bytes on the heap, so one byte past it is caught.
      std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[capacity]);
      int count = -1;
      int kind = qx::ReadReply(buffer.get(), capacity, kUsbPort, &count);
      Check(kind >= qx::kReplyNothing && kind <= qx::kReplySingleByte);
      Check(count >= 0 && static_cast<std::size_t>(count) <= capacity);
      Check((kind == qx::kReplyNothing) == (count == 0));
      if (kind == qx::kReplyHeaderBlock) Check(buffer[static_cast<std::size_t>(count) - 1] == 0);
      if (kind == qx::kReplyStatusByte || kind == qx::kReplySingleByte) Check(count == 1);
      // The first byte decided the kind (a one-byte buffer keeps only a header block's NUL).
      if (count > 0 && capacity > 1) Check(qx::ClassifyReplyByte(buffer[0]) == kind);
      break;
    }
    case 1:
    case 2: {
      std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[capacity]);
      std::size_t length = 99;
      qx::ReplyRead read = operation == 1 ? qx::ReplyRead::kReply : qx::ReplyRead::kAutomaticStatus;
      int result = requests.Request(kUsbPort, command, sizeof command, read, buffer.get(), capacity, &length);
      Check(result == qx::kRequestDone || result == qx::kRequestNoReply);
      Check(length <= capacity);
      Check(result == qx::kRequestDone || length == 0);
      break;
    }
    case 3: {
      const std::size_t valueCapacity = capacity;
      std::unique_ptr<std::uint16_t[]> values(new std::uint16_t[valueCapacity]);
      std::size_t count = 99;
      int result = requests.CalibrationTransfer(kUsbPort, 0x0660, static_cast<std::uint16_t>(valueCapacity),
                                                values.get(), valueCapacity, &count);
      Check(result == qx::kRequestDone || result == qx::kRequestNotDone || result == qx::kRequestNoReply);
      Check(count <= valueCapacity);
      break;
    }
    default: {
      std::unique_ptr<char[]> text(new char[capacity]);
      std::size_t length = 99;
      int result = requests.ErrorHistoryTransfer(kUsbPort, command, sizeof command, text.get(), capacity, &length);
      Check(result == qx::kRequestDone || result == qx::kRequestNotDone || result == qx::kRequestNoReply);
      Check(length < capacity && text[length] == '\0' && std::strlen(text.get()) == length);
      break;
    }
  }
  // Every byte awaited at most its 2000 ms: the call ends within that per byte delivered, one
  // more for the wait that gave up, and the drain's pause.
  const std::uint64_t elapsed = static_cast<std::uint32_t>(g_now - start);
  Check(elapsed <= (g_driver.delivered() + 2) * kPerByteMs);
  qx::port::PortClose(kUsbPort);
  return 0;
}
