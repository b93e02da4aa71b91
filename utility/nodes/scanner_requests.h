#pragma once

#include <cstddef>
#include <cstdint>

// The calls an information node makes to the scanner: one byte-command request, the calibration
// memory transfer, the error history transfer and a control request to the QXUSB driver. They
// go through one replaceable implementation, so that the request protocol over the port library
// (or a test's scripted scanner) can stand behind them.
namespace qx {

// Results of a request or transfer.
inline constexpr int kRequestDone = 1;
inline constexpr int kRequestNotDone = 0;  // port not ready, or the reply was not the expected one
inline constexpr int kRequestWriteFailed = -3;
inline constexpr int kRequestNoReply = -4;

// Reply buffer of a node command; the error history blocks are read into smaller ones.
inline constexpr std::size_t kNodeReplySize = 512;
inline constexpr std::size_t kErrorHistoryBlockSize = 260;

// How the reply to a command is read.
enum class ReplyRead : int {
  kReply = 0,            // one reply as ReadReply delivers it (a header block up to its NUL, ...)
  kAutomaticStatus = 1,  // four bytes read one by one, the first one not checked
};

class ScannerRequests {
 public:
  virtual ~ScannerRequests() = default;

  // The request transaction: ready check, drain, RequestPrefix, `command`, then one reply read as
  // `read` says into `reply` (never more than `replyCapacity` bytes; *replyLength = bytes stored).
  // 1 when a reply arrived (its header is the caller's to check), 0 port not ready, -3 a write
  // failed, -4 no complete reply in time. *replyLength is 0 unless the result is 1.
  virtual int Request(int portIndex, const std::uint8_t* command, std::size_t length,
                      ReplyRead read, std::uint8_t* reply, std::size_t replyCapacity,
                      std::size_t* replyLength) = 0;

  // Reads `count` bytes of the calibration memory from `startAddress` (command FS '+'), each kept
  // as a 16-bit value in `values`; never more than `capacity` values are stored (*valueCount).
  // 1 complete, 0 not ready / count above capacity / wrong block start, -3 write failed, -4 no
  // reply in time or a broken block sequence.
  virtual int CalibrationTransfer(int portIndex, std::uint16_t startAddress, std::uint16_t count,
                                  std::uint16_t* values, std::size_t capacity,
                                  std::size_t* valueCount) = 0;

  // Sends `command` and collects the error history blocks (acknowledging each but the last): the
  // accumulated entry list goes into `text`, cut to `capacity - 1` characters and terminated
  // (*textLength = characters kept). 1 done, 0 not ready or a reply that is not an error history
  // block, -3 write failed, -4 no reply in time.
  virtual int ErrorHistoryTransfer(int portIndex, const std::uint8_t* command, std::size_t length,
                                   char* text, std::size_t capacity, std::size_t* textLength) = 0;

  // A buffered control request without input on the driver handle of the scanner's port, into
  // `output` of `outputSize` bytes: 1 when the driver answered (*returned = bytes given), else 0.
  virtual int DriverControl(int portIndex, std::uint32_t code, void* output,
                            std::uint32_t outputSize, std::uint32_t* returned) = 0;
};

// The implementation the nodes use. Until one is set, every call returns 0 (nothing answers).
// Set it before a gather starts; the nodes read it on the gather's thread.
void SetScannerRequests(ScannerRequests* requests);
ScannerRequests& CurrentScannerRequests();

// Shorthands the nodes call, forwarding to CurrentScannerRequests().
int Request(int portIndex, const std::uint8_t* command, std::size_t length, ReplyRead read,
            std::uint8_t* reply, std::size_t replyCapacity, std::size_t* replyLength);
int CalibrationTransfer(int portIndex, std::uint16_t startAddress, std::uint16_t count,
                        std::uint16_t* values, std::size_t capacity, std::size_t* valueCount);
int ErrorHistoryTransfer(int portIndex, const std::uint8_t* command, std::size_t length,
                         char* text, std::size_t capacity, std::size_t* textLength);
int DriverControl(int portIndex, std::uint32_t code, void* output, std::uint32_t outputSize,
                  std::uint32_t* returned);

}  // namespace qx
