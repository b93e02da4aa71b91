#include "utility/nodes/reply_reader.h"

#include "platform/clock.h"
#include "utility/port/port_api.h"

namespace qx {

int ClassifyReplyByte(std::uint8_t byte) {
  if (byte == 0x11 || byte == 0x13) return kReplyNothing;
  if ((byte & 0x93) == 0x12) return kReplyStatusByte;
  if ((byte & 0x93) == 0x10) return kReplyAutomaticStatus;
  if ((byte & 0x91) == 0x11) return kReplyHeaderBlock;
  return kReplySingleByte;
}

int ReadReplyByte(int port) {
  std::uint32_t start = platform::MillisecondClock();
  for (;;) {
    std::uint8_t byte = 0;
    int got = 0;
    if (port::PortRead(port, &byte, 1, &got) == 1 && got == 1 && ClassifyReplyByte(byte) != kReplyNothing) {
      return byte;
    }
    platform::SleepMilliseconds(1);
    if (platform::MillisecondClock() - start >= kReplyByteTimeoutMs) return -1;
  }
}

int ReadReply(std::uint8_t* buffer, std::size_t capacity, int port, int* count) {
  *count = 0;
  if (capacity == 0) return kReplyNothing;
  int first = ReadReplyByte(port);
  if (first < 0) return kReplyNothing;
  buffer[0] = static_cast<std::uint8_t>(first);
  int kind = ClassifyReplyByte(buffer[0]);

  if (kind == kReplyAutomaticStatus) {
    std::uint8_t status[4] = {buffer[0], 0, 0, 0};
    for (int i = 1; i < 4; ++i) {
      int byte = ReadReplyByte(port);
      if (byte < 0) return kReplyNothing;
      status[i] = static_cast<std::uint8_t>(byte);
    }
    std::size_t n = capacity < 4 ? capacity : 4;
    for (std::size_t i = 0; i < n; ++i) buffer[i] = status[i];
    *count = static_cast<int>(n);
    return kind;
  }

  if (kind == kReplyHeaderBlock) {
    std::size_t stored = 1;
    std::size_t seen = 1;
    std::uint8_t byte = buffer[0];
    while (byte != 0) {
      if (seen >= kMaxHeaderBlockBytes) return kReplyNothing;
      int next = ReadReplyByte(port);
      if (next < 0) return kReplyNothing;
      byte = static_cast<std::uint8_t>(next);
      ++seen;
      if (stored < capacity - 1) {
        buffer[stored++] = byte;
      } else {
        // No room left: the excess is dropped and the block stays terminated in its last byte.
        buffer[capacity - 1] = 0;
        stored = capacity;
      }
    }
    *count = static_cast<int>(stored);
    return kind;
  }

  *count = 1;
  return kind;
}

}  // namespace qx
