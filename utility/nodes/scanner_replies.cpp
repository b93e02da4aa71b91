#include "utility/nodes/scanner_replies.h"

#include <cstring>

namespace qx {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Bytes from `offset` up to the reply's NUL or its end.
std::size_t ReplyTextLength(const std::uint8_t* reply, std::size_t length, std::size_t offset) {
  if (offset >= length) return 0;
  const void* nul = std::memchr(reply + offset, 0, length - offset);
  return nul != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) -
                                                   (reply + offset))
                        : length - offset;
}

}  // namespace

int HexTextToInt(const char* text) { return HexTextToInt(text, std::strlen(text)); }

int HexTextToInt(const char* text, std::size_t length) {
  std::size_t i = 0;
  while (i < length && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < length && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Unsigned arithmetic: the wrap-around past 32 bits is defined.
  std::uint32_t value = 0;
  for (; i < length; ++i) {
    int digit = HexDigit(text[i]);
    if (digit < 0) break;
    value = value * 16u + static_cast<std::uint32_t>(digit);
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

bool ReplyStartsWith(const std::uint8_t* reply, std::size_t length, const char* header) {
  std::size_t n = std::strlen(header);
  return length >= n && std::memcmp(reply, header, n) == 0;
}

std::uint8_t ReplyByte(const std::uint8_t* reply, std::size_t length, std::size_t index) {
  return index < length ? reply[index] : 0;
}

void CopyReplyText(const std::uint8_t* reply, std::size_t length, std::size_t offset, char* field,
                   std::size_t fieldSize) {
  if (fieldSize == 0) return;
  std::size_t n = ReplyTextLength(reply, length, offset);
  if (n > fieldSize - 1) n = fieldSize - 1;
  std::memset(field, 0, fieldSize);
  if (n > 0) std::memcpy(field, reply + offset, n);
}

int ReplyHexValue(const std::uint8_t* reply, std::size_t length, std::size_t offset,
                  std::size_t digits) {
  std::size_t n = ReplyTextLength(reply, length, offset);
  if (n > digits) n = digits;
  if (n == 0) return 0;
  return HexTextToInt(reinterpret_cast<const char*>(reply + offset), n);
}

int SwapReplyBytes(int value) { return (value & 0xFF) * 256 + ((value >> 8) & 0xFF); }

void CalibrationCommand(std::uint16_t startAddress, std::uint16_t count,
                        std::uint8_t (&command)[kCalibrationCommandSize]) {
  const std::uint8_t bytes[kCalibrationCommandSize] = {
      0x1C, '+', 0x00, static_cast<std::uint8_t>(startAddress & 0xFF),
      static_cast<std::uint8_t>(startAddress >> 8), ']', 0x00,
      static_cast<std::uint8_t>(count & 0xFF), static_cast<std::uint8_t>(count >> 8), 0x00, 0x00};
  std::memcpy(command, bytes, sizeof bytes);
}

int CalibrationPairCount(const char* countText) {
  int pairs = HexTextToInt(countText, 2);
  return pairs < 0 ? -1 : pairs;
}

std::size_t StoreCalibrationPairs(const char* block, std::size_t pairs, std::uint16_t* values,
                                  std::size_t capacity, std::size_t* stored) {
  std::size_t carried = 0;
  for (std::size_t p = 3; p + 1 < pairs; ++p) {
    ++carried;
    if (*stored >= capacity) continue;
    values[*stored] = static_cast<std::uint16_t>(HexTextToInt(block + 2 * p, 2));
    ++*stored;
  }
  return carried;
}

int AppendErrorHistoryBlock(const std::uint8_t* reply, std::size_t length, char* text,
                            std::size_t capacity, std::size_t* textLength) {
  int kind;
  if (ReplyStartsWith(reply, length, "7pA")) {
    kind = kHistoryBlockMore;
  } else if (ReplyStartsWith(reply, length, "7p@")) {
    kind = kHistoryBlockLast;
  } else {
    return 0;
  }
  if (capacity == 0) return kind;
  std::size_t used = *textLength < capacity - 1 ? *textLength : capacity - 1;
  std::size_t n = ReplyTextLength(reply, length, 3);
  if (n > capacity - 1 - used) n = capacity - 1 - used;
  if (n > 0) std::memcpy(text + used, reply + 3, n);
  used += n;
  text[used] = '\0';
  *textLength = used;
  return kind;
}

}  // namespace qx
