#pragma once

#include <cstddef>
#include <cstdint>

// Reading what the scanner answers: hexadecimal reply text, header checks, texts and bytes behind
// a header, calibration blocks and error history blocks. Every reader is bounded by the length
// that arrived, whether or not the reply ends with its NUL.
namespace qx {

// Hexadecimal text to a number: leading spaces and tabs skipped, an optional sign, then the
// hexadecimal digits up to the first other character ("3412" -> 0x3412, " -1F" -> -31, "" -> 0).
// Wraps around silently past 32 bits, as the scanner's numbers never get there.
int HexTextToInt(const char* text);
// The same over at most `length` characters (a NUL ends the text earlier).
int HexTextToInt(const char* text, std::size_t length);

// True when the reply begins with the bytes of `header` (a text; its NUL is not compared).
bool ReplyStartsWith(const std::uint8_t* reply, std::size_t length, const char* header);

// The reply byte at `index`, or 0 past the end of what arrived (a block ends with its NUL, so a
// byte behind it reads as that NUL would).
std::uint8_t ReplyByte(const std::uint8_t* reply, std::size_t length, std::size_t index);

// Copies the reply's text from `offset` up to its NUL or its end into a text field of
// `fieldSize` bytes: at most fieldSize - 1 characters, the rest of the field zero.
void CopyReplyText(const std::uint8_t* reply, std::size_t length, std::size_t offset, char* field,
                   std::size_t fieldSize);

// HexTextToInt of the reply's text from `offset`, over at most `digits` characters.
int ReplyHexValue(const std::uint8_t* reply, std::size_t length, std::size_t offset,
                  std::size_t digits);

// A 16-bit value the scanner sends low byte first in its text ("3412" is 0x1234).
int SwapReplyBytes(int value);

// Calibration transfer. The command asking for `count` bytes from `startAddress`.
inline constexpr std::size_t kCalibrationCommandSize = 11;
void CalibrationCommand(std::uint16_t startAddress, std::uint16_t count,
                        std::uint8_t (&command)[kCalibrationCommandSize]);
// The number of character pairs in the next block from its two-character count, or -1 when the
// count is not a number of pairs (a negative value).
int CalibrationPairCount(const char* countText);
// Stores the values of one block of `pairs` character pairs (the block holds 2 * pairs
// characters): the first three pairs (header) and the last one (trailer) are skipped, every other
// pair is a value. Values beyond `capacity` are dropped; *stored counts the values kept so far.
// Returns the number of values the block carried.
std::size_t StoreCalibrationPairs(const char* block, std::size_t pairs, std::uint16_t* values,
                                  std::size_t capacity, std::size_t* stored);

// Error history transfer: appends one block's entry text (from its fourth byte up to the NUL or
// the end of what arrived) to `text`, cut to capacity - 1 characters and kept terminated.
// Returns 1 when more blocks follow ("7pA"), 2 for the last block ("7p@"), 0 when the reply is
// not an error history block (then nothing is appended).
inline constexpr int kHistoryBlockMore = 1;
inline constexpr int kHistoryBlockLast = 2;
int AppendErrorHistoryBlock(const std::uint8_t* reply, std::size_t length, char* text,
                            std::size_t capacity, std::size_t* textLength);

}  // namespace qx
