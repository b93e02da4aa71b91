#pragma once

#include <cstddef>
#include <cstdint>

// Reading the scanner's replies from a port: one byte at a time, XON and XOFF never delivered,
// each byte awaited at most 2000 ms.
namespace qx {

enum ReplyKind : int {
  kReplyNothing = 0,          // nothing arrived (also: XON/XOFF, for ClassifyReplyByte)
  kReplyStatusByte = 1,       // one byte
  kReplyAutomaticStatus = 2,  // four bytes, the first included
  kReplyHeaderBlock = 3,      // up to and including the next NUL
  kReplySingleByte = 4,       // one byte
};

inline constexpr std::uint32_t kReplyByteTimeoutMs = 2000;
// A header block longer than the caller's buffer is read on to its NUL, the excess dropped; a
// block that has not ended after this many bytes is taken as broken.
inline constexpr std::size_t kMaxHeaderBlockBytes = 65536;

// The kind of reply the first byte announces; 0 for XON and XOFF.
int ClassifyReplyByte(std::uint8_t byte);

// The next reply byte (0..255) from the port, or -1 when none came for 2000 ms.
int ReadReplyByte(int port);

// Reads one reply into `buffer` (never more than `capacity` bytes) and returns its kind with
// *count set to the bytes stored; 0 with *count 0 when any byte failed to come. A header block
// that does not fit keeps its first capacity - 1 bytes and ends with the NUL in the last byte.
int ReadReply(std::uint8_t* buffer, std::size_t capacity, int port, int* count);

}  // namespace qx
