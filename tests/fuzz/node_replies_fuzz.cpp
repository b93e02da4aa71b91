// Whatever the scanner answers, the nodes' reads stay within the reply that arrived and within
// their record fields, and the texts they store keep their terminators. The input is consumed as
// the scanner's side of the dialogue: a result byte, a length byte and that many reply bytes per
// call.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "utility/nodes/calibration_nodes.h"
#include "utility/nodes/device_nodes.h"
#include "utility/nodes/error_history_node.h"
#include "utility/nodes/nv_counter_threshold_nodes.h"
#include "utility/nodes/scanner_replies.h"
#include "utility/nodes/scanner_requests.h"

namespace {

class FuzzedScanner final : public qx::ScannerRequests {
 public:
  FuzzedScanner(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  int Request(int, const std::uint8_t*, std::size_t, qx::ReplyRead, std::uint8_t* reply,
              std::size_t replyCapacity, std::size_t* replyLength) override {
    *replyLength = 0;
    int result = Result();
    if (result != qx::kRequestDone) return result;
    *replyLength = Take(reply, replyCapacity);
    return result;
  }

  int CalibrationTransfer(int, std::uint16_t, std::uint16_t, std::uint16_t* values,
                          std::size_t capacity, std::size_t* valueCount) override {
    *valueCount = 0;
    int result = Result();
    char block[510];
    for (int blocks = Byte() % 5; blocks > 0; --blocks) {
      char count[2] = {static_cast<char>(Byte()), static_cast<char>(Byte())};
      int pairs = qx::CalibrationPairCount(count);
      if (pairs < 0) return qx::kRequestNoReply;
      std::size_t got = Take(reinterpret_cast<std::uint8_t*>(block), 2 * pairs);
      qx::StoreCalibrationPairs(block, got / 2, values, capacity, valueCount);
    }
    if (*valueCount > capacity) __builtin_trap();
    return result;
  }

  int ErrorHistoryTransfer(int, const std::uint8_t*, std::size_t, char* text, std::size_t capacity,
                           std::size_t* textLength) override {
    *textLength = 0;
    if (capacity > 0) text[0] = '\0';
    int result = Result();
    if (result != qx::kRequestDone) return result;
    std::uint8_t reply[qx::kErrorHistoryBlockSize];
    for (;;) {
      std::size_t n = Take(reply, sizeof reply);
      if (n == 0) return qx::kRequestNoReply;
      int kind = qx::AppendErrorHistoryBlock(reply, n, text, capacity, textLength);
      if (*textLength >= capacity || text[*textLength] != '\0') __builtin_trap();
      if (kind == 0) return qx::kRequestNotDone;
      if (kind == qx::kHistoryBlockLast) return qx::kRequestDone;
    }
  }

  int DriverControl(int, std::uint32_t, void* output, std::uint32_t outputSize,
                    std::uint32_t* returned) override {
    *returned = 0;
    if (Byte() & 1) return 0;
    *returned = static_cast<std::uint32_t>(Take(static_cast<std::uint8_t*>(output), outputSize));
    return 1;
  }

 private:
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

  int Result() {
    static const int kResults[4] = {qx::kRequestDone, qx::kRequestNotDone,
                                    qx::kRequestWriteFailed, qx::kRequestNoReply};
    std::uint8_t b = Byte();
    return (b & 0xC0) == 0xC0 ? kResults[b & 3] : qx::kRequestDone;
  }

  // A reply of the next length byte (doubled, to reach past the longest fields), bounded by the
  // data left and by the caller's capacity.
  std::size_t Take(std::uint8_t* to, std::size_t capacity) {
    std::size_t n = static_cast<std::size_t>(Byte()) * 2;
    if (n > size_ - at_) n = size_ - at_;
    if (n > capacity) n = capacity;
    if (n > 0) std::memcpy(to, data_ + at_, n);
    at_ += n;
    return n;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

int port = 2;

bool Terminated(const char* field, std::size_t size) { return std::memchr(field, 0, size) != nullptr; }

template <class Node>
void Read(const std::uint8_t* data, std::size_t size) {
  FuzzedScanner scanner(data, size);
  qx::SetScannerRequests(&scanner);
  auto node = std::make_unique<Node>(&port);
  node->Reset();
  int result = node->ReadExtended();
  qx::SetScannerRequests(nullptr);
  if (result != 0 && result != 1) __builtin_trap();
  node->GetExtendedRows();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Read<qx::CSensorStatusNode>(data, size);  // also reads AD converter, thresholds and device
  Read<qx::CMaintenanceCounterNode>(data, size);
  Read<qx::CFaceCalibrationValueNode>(data, size);
  Read<qx::CBackCalibrationDarknessNode>(data, size);
  Read<qx::COtherCalibrationValueNode>(data, size);
  Read<qx::CErrorHistoryNode>(data, size);

  FuzzedScanner scanner(data, size);
  qx::SetScannerRequests(&scanner);
  qx::CDeviceNode device(&port);
  device.Reset();
  device.ReadExtended();
  qx::CNORVANVNode nv(&port);
  nv.Reset();
  nv.ReadExtended();
  qx::SetScannerRequests(nullptr);
  const qx::DeviceRecord& d = device.record();
  if (!Terminated(d.deviceName, sizeof d.deviceName) ||
      !Terminated(d.firmwareVersion, sizeof d.firmwareVersion) ||
      !Terminated(d.companyName, sizeof d.companyName) ||
      !Terminated(d.serialNumber, sizeof d.serialNumber) ||
      !Terminated(d.originalVersion, sizeof d.originalVersion)) {
    __builtin_trap();
  }
  for (const auto& slot : nv.record().slot) {
    if (!Terminated(slot, sizeof slot)) __builtin_trap();
  }
  return 0;
}
