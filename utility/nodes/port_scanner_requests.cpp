#include "utility/nodes/port_scanner_requests.h"

#include "platform/clock.h"
#include "utility/nodes/driver_requests.h"
#include "utility/nodes/reply_reader.h"
#include "utility/nodes/scanner_replies.h"
#include "utility/port/port_api.h"

namespace qx {

namespace {

// The scanner port: the ready check and the driver handle are always asked of it.
constexpr int kScannerPort = 2;
constexpr std::uint8_t kRequestPrefix[] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x1B, 0x3D, 0x01, 0x1B, 0x40};
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNextBlock = 0x81;
constexpr int kDrainReadSize = 128;
// A device that keeps sending "more follows" blocks is cut off after this many.
constexpr int kMaxErrorHistoryBlocks = 4096;

int WriteAll(int port, const std::uint8_t* data, std::size_t length) {
  int written = 0;
  return port::PortWrite(port, 0, data, static_cast<int>(length), &written) == 1 ? 1 : 0;
}

// Two reply bytes that must be `first` then `second`: 1, 0 for other bytes, -4 on a timeout.
int ExpectBytes(int port, std::uint8_t first, std::uint8_t second) {
  int a = ReadReplyByte(port);
  if (a < 0) return kRequestNoReply;
  if (a != first) return kRequestNotDone;
  int b = ReadReplyByte(port);
  if (b < 0) return kRequestNoReply;
  return b == second ? kRequestDone : kRequestNotDone;
}

// XON and XOFF never reach a caller, also not inside a calibration block: they are dropped from
// the `received` characters the block's read brought, and the characters still missing (a block
// may also come in pieces) are awaited like any reply byte.
bool CompleteBlock(int port, char* block, int received, int length) {
  int kept = 0;
  for (int i = 0; i < received; ++i) {
    if (ClassifyReplyByte(static_cast<std::uint8_t>(block[i])) != kReplyNothing) block[kept++] = block[i];
  }
  while (kept < length) {
    int byte = ReadReplyByte(port);
    if (byte < 0) return false;
    block[kept++] = static_cast<char>(byte);
  }
  return true;
}

}  // namespace

void DrainInput(int port) {
  std::uint8_t scratch[kDrainReadSize];
  int got = 0;
  port::PortRead(port, scratch, kDrainReadSize, &got);
  platform::SleepMilliseconds(1);
  port::PortRead(port, scratch, kDrainReadSize, &got);
}

int SendCommand(int port, const std::uint8_t* command, std::size_t length) {
  if (port::PortIsReady(kScannerPort) == 0) return kRequestNotDone;
  DrainInput(port);
  if (!WriteAll(port, kRequestPrefix, sizeof kRequestPrefix)) return kRequestWriteFailed;
  if (!WriteAll(port, command, length)) return kRequestWriteFailed;
  return kRequestDone;
}

int PortScannerRequests::Request(int portIndex, const std::uint8_t* command, std::size_t length,
                                 ReplyRead read, std::uint8_t* reply, std::size_t replyCapacity,
                                 std::size_t* replyLength) {
  *replyLength = 0;
  int sent = SendCommand(portIndex, command, length);
  if (sent != kRequestDone) return sent;

  if (read == ReplyRead::kAutomaticStatus) {
    std::uint8_t status[4];
    for (std::uint8_t& byte : status) {
      int next = ReadReplyByte(portIndex);
      if (next < 0) return kRequestNoReply;
      byte = static_cast<std::uint8_t>(next);
    }
    std::size_t n = replyCapacity < sizeof status ? replyCapacity : sizeof status;
    for (std::size_t i = 0; i < n; ++i) reply[i] = status[i];
    *replyLength = n;
    return kRequestDone;
  }

  int count = 0;
  if (ReadReply(reply, replyCapacity, portIndex, &count) == kReplyNothing) return kRequestNoReply;
  *replyLength = static_cast<std::size_t>(count);
  return kRequestDone;
}

int PortScannerRequests::CalibrationTransfer(int portIndex, std::uint16_t startAddress,
                                             std::uint16_t count, std::uint16_t* values,
                                             std::size_t capacity, std::size_t* valueCount) {
  *valueCount = 0;
  std::uint8_t command[kCalibrationCommandSize];
  CalibrationCommand(startAddress, count, command);
  int sent = SendCommand(portIndex, command, sizeof command);
  if (sent != kRequestDone) return sent;
  if (count > capacity) return kRequestNotDone;

  int started = ExpectBytes(portIndex, '1', kNextBlock);
  if (started == kRequestDone) started = ExpectBytes(portIndex, 'S', '2');
  if (started != kRequestDone) return started;

  // Two hexadecimal characters count the pairs of a block: at most 255 pairs.
  char block[2 * 255 + 1];
  for (;;) {
    char countText[3] = {0, 0, 0};
    for (int i = 0; i < 2; ++i) {
      int byte = ReadReplyByte(portIndex);
      if (byte < 0) return kRequestNoReply;
      countText[i] = static_cast<char>(byte);
    }
    int pairs = CalibrationPairCount(countText);
    if (pairs <= 0 || 2 * pairs >= static_cast<int>(sizeof block)) return kRequestNoReply;
    int got = 0;
    port::PortRead(portIndex, block, 2 * pairs, &got);
    if (got < 0 || got > 2 * pairs) got = 0;
    if (!CompleteBlock(portIndex, block, got, 2 * pairs)) return kRequestNoReply;
    block[2 * pairs] = '\0';
    StoreCalibrationPairs(block, static_cast<std::size_t>(pairs), values, capacity, valueCount);
    if (block[0] == '\0') return kRequestDone;

    if (!WriteAll(portIndex, &kNextBlock, 1)) return kRequestWriteFailed;
    int next = ReadReplyByte(portIndex);
    if (next == 0) return kRequestDone;
    if (next != 'S') return kRequestNoReply;
    if (ReadReplyByte(portIndex) != '2') return kRequestNoReply;
  }
}

int PortScannerRequests::ErrorHistoryTransfer(int portIndex, const std::uint8_t* command,
                                              std::size_t length, char* text, std::size_t capacity,
                                              std::size_t* textLength) {
  *textLength = 0;
  if (capacity > 0) text[0] = '\0';
  int sent = SendCommand(portIndex, command, length);
  if (sent != kRequestDone) return sent;

  for (int blocks = 0; blocks < kMaxErrorHistoryBlocks; ++blocks) {
    std::uint8_t reply[kErrorHistoryBlockSize];
    int count = 0;
    int kind = ReadReply(reply, sizeof reply, portIndex, &count);
    if (kind == kReplyNothing) return kRequestNoReply;
    if (kind != kReplyHeaderBlock) return kRequestNotDone;
    int block = AppendErrorHistoryBlock(reply, static_cast<std::size_t>(count), text, capacity, textLength);
    if (block == 0) return kRequestNotDone;
    if (block == kHistoryBlockLast) return kRequestDone;
    if (!WriteAll(portIndex, &kAck, 1)) return kRequestWriteFailed;
  }
  return kRequestNoReply;
}

int ScannerDriverControl(std::uint32_t code, const void* input, std::uint32_t inputSize,
                         void* output, std::uint32_t outputSize, std::uint32_t* returned) {
  *returned = 0;
  return port::PortDriverControl(kScannerPort, code, input, inputSize, output, outputSize, returned) == 1 ? 1 : 0;
}

int PortScannerRequests::DriverControl(int portIndex, std::uint32_t code, void* output,
                                       std::uint32_t outputSize, std::uint32_t* returned) {
  return QueryDriver(portIndex, code, output, outputSize, returned);
}

namespace {

int PortControlRoute(int portIndex, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                     std::uint32_t outputSize, std::uint32_t* returned) {
  return port::PortDriverControl(portIndex, code, input, inputSize, output, outputSize, returned) == 1 ? 1 : 0;
}

PortScannerRequests g_portRequests;

}  // namespace

void InstallPortScannerRequests() {
  SetScannerRequests(&g_portRequests);
  SetDriverControlRoute(&PortControlRoute);
  SetPortReadyCheck(&port::PortIsReady);
}

void RemovePortScannerRequests() {
  SetScannerRequests(nullptr);
  SetDriverControlRoute(nullptr);
  SetPortReadyCheck(nullptr);
}

}  // namespace qx
