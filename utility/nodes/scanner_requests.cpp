#include "utility/nodes/scanner_requests.h"

#include <atomic>

namespace qx {
namespace {

// Stands in while no protocol is set: the port is never ready, the driver never answers.
class NoScanner final : public ScannerRequests {
 public:
  int Request(int, const std::uint8_t*, std::size_t, ReplyRead, std::uint8_t*, std::size_t,
              std::size_t* replyLength) override {
    *replyLength = 0;
    return kRequestNotDone;
  }
  int CalibrationTransfer(int, std::uint16_t, std::uint16_t, std::uint16_t*, std::size_t,
                          std::size_t* valueCount) override {
    *valueCount = 0;
    return kRequestNotDone;
  }
  int ErrorHistoryTransfer(int, const std::uint8_t*, std::size_t, char* text, std::size_t capacity,
                           std::size_t* textLength) override {
    if (capacity > 0) text[0] = '\0';
    *textLength = 0;
    return kRequestNotDone;
  }
  int DriverControl(int, std::uint32_t, void*, std::uint32_t, std::uint32_t* returned) override {
    *returned = 0;
    return 0;
  }
};

NoScanner noScanner;
std::atomic<ScannerRequests*> current{&noScanner};

}  // namespace

void SetScannerRequests(ScannerRequests* requests) {
  current.store(requests != nullptr ? requests : &noScanner);
}

ScannerRequests& CurrentScannerRequests() { return *current.load(); }

int Request(int portIndex, const std::uint8_t* command, std::size_t length, ReplyRead read,
            std::uint8_t* reply, std::size_t replyCapacity, std::size_t* replyLength) {
  return CurrentScannerRequests().Request(portIndex, command, length, read, reply, replyCapacity,
                                          replyLength);
}

int CalibrationTransfer(int portIndex, std::uint16_t startAddress, std::uint16_t count,
                        std::uint16_t* values, std::size_t capacity, std::size_t* valueCount) {
  return CurrentScannerRequests().CalibrationTransfer(portIndex, startAddress, count, values,
                                                      capacity, valueCount);
}

int ErrorHistoryTransfer(int portIndex, const std::uint8_t* command, std::size_t length,
                         char* text, std::size_t capacity, std::size_t* textLength) {
  return CurrentScannerRequests().ErrorHistoryTransfer(portIndex, command, length, text, capacity,
                                                       textLength);
}

int DriverControl(int portIndex, std::uint32_t code, void* output, std::uint32_t outputSize,
                  std::uint32_t* returned) {
  return CurrentScannerRequests().DriverControl(portIndex, code, output, outputSize, returned);
}

}  // namespace qx
