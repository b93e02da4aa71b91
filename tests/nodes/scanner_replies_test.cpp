#include "utility/nodes/scanner_replies.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

namespace qx {
namespace {

const std::uint8_t* U(const char* text) { return reinterpret_cast<const std::uint8_t*>(text); }

TEST(HexTextToInt, ReadsTheScannersHexadecimalText) {
  EXPECT_EQ(HexTextToInt("3412"), 0x3412);
  EXPECT_EQ(HexTextToInt(" -1F"), -31);
  EXPECT_EQ(HexTextToInt(""), 0);
  EXPECT_EQ(HexTextToInt("\t +a0z9"), 0xA0);
  EXPECT_EQ(HexTextToInt("-"), 0);
  EXPECT_EQ(HexTextToInt("G1"), 0);
  EXPECT_EQ(HexTextToInt("FFFFFFFF"), -1);
  EXPECT_EQ(HexTextToInt("1FFFFFFFF"), -1);  // wraps past 32 bits
}

TEST(HexTextToInt, BoundedVersionTakesAtMostTheGivenCharacters) {
  EXPECT_EQ(HexTextToInt("123456", 2), 0x12);
  EXPECT_EQ(HexTextToInt("12\0" "34", 5), 0x12);
  EXPECT_EQ(HexTextToInt("AB", 0), 0);
  const char noTerminator[4] = {'7', '8', '5', '6'};
  EXPECT_EQ(HexTextToInt(noTerminator, sizeof noTerminator), 0x7856);
}

TEST(ReplyReaders, StayWithinWhatArrived) {
  // A reply without its NUL, followed by bytes that must not be taken.
  const char buffer[] = "_QX-R7000XXXX";
  const std::size_t arrived = 9;
  EXPECT_TRUE(ReplyStartsWith(U(buffer), arrived, "_"));
  EXPECT_FALSE(ReplyStartsWith(U(buffer), 0, "_"));
  EXPECT_FALSE(ReplyStartsWith(U("7"), 1, "7p"));
  EXPECT_EQ(ReplyByte(U(buffer), arrived, 8), '0');
  EXPECT_EQ(ReplyByte(U(buffer), arrived, 9), 0);

  char field[33];
  std::memset(field, '#', sizeof field);
  CopyReplyText(U(buffer), arrived, 1, field, sizeof field);
  EXPECT_STREQ(field, "QX-R7000");
  for (std::size_t i = 8; i < sizeof field; ++i) EXPECT_EQ(field[i], 0) << i;

  EXPECT_EQ(ReplyHexValue(U("1A5\0" "77"), 6, 1, 8), 0xA5);
  EXPECT_EQ(ReplyHexValue(U("1341299"), 7, 1, 4), 0x3412);
  EXPECT_EQ(ReplyHexValue(U("1"), 1, 1, 4), 0);
}

TEST(ReplyReaders, LongTextIsCutToTheFieldAndTerminated) {
  std::string reply = "_" + std::string(40, 'N');
  char field[33];
  CopyReplyText(U(reply.c_str()), reply.size() + 1, 1, field, sizeof field);
  EXPECT_EQ(std::string(field), std::string(32, 'N'));
  EXPECT_EQ(field[32], 0);
}

TEST(ReplyReaders, LowByteFirstValues) {
  EXPECT_EQ(SwapReplyBytes(0x3412), 0x1234);
  EXPECT_EQ(SwapReplyBytes(0xFF), 0xFF00);
  EXPECT_EQ(SwapReplyBytes(0xFFFF), 0xFFFF);
}

TEST(CalibrationTransferPieces, CommandCarriesAddressAndCountLowByteFirst) {
  std::uint8_t command[kCalibrationCommandSize];
  CalibrationCommand(0x0998, 816, command);
  const std::uint8_t expected[] = {0x1C, 0x2B, 0x00, 0x98, 0x09, 0x5D, 0x00, 0x30, 0x03, 0x00, 0x00};
  EXPECT_EQ(0, std::memcmp(command, expected, sizeof expected));
}

TEST(CalibrationTransferPieces, BlockCount) {
  EXPECT_EQ(CalibrationPairCount("0C"), 12);
  EXPECT_EQ(CalibrationPairCount("FF"), 255);
  EXPECT_EQ(CalibrationPairCount("04x"), 4);
  EXPECT_EQ(CalibrationPairCount("-1"), -1);
}

TEST(CalibrationTransferPieces, HeaderAndTrailerPairsCarryNoValue) {
  std::uint16_t values[16];
  std::fill(std::begin(values), std::end(values), 0xEEEE);
  std::size_t stored = 0;
  // N = 4: three header pairs and the trailer.
  EXPECT_EQ(StoreCalibrationPairs("A1B2C3D4", 4, values, 16, &stored), 0u);
  EXPECT_EQ(stored, 0u);
  // N = 12: eight values.
  EXPECT_EQ(StoreCalibrationPairs("A1B2C310203040506070FF80EE", 12, values, 16, &stored), 8u);
  ASSERT_EQ(stored, 8u);
  const std::uint16_t expected[8] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0xFF};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(values[i], expected[i]) << i;
  EXPECT_EQ(values[8], 0xEEEE);
  // Blocks too short for a header deliver nothing.
  EXPECT_EQ(StoreCalibrationPairs("", 0, values, 16, &stored), 0u);
  EXPECT_EQ(StoreCalibrationPairs("A1B2", 2, values, 16, &stored), 0u);
  EXPECT_EQ(stored, 8u);
}

TEST(CalibrationTransferPieces, ValuesBeyondTheCapacityAreDropped) {
  std::uint16_t values[5] = {0, 0, 0, 0, 0xBEEF};
  std::size_t stored = 0;
  EXPECT_EQ(StoreCalibrationPairs("000000010203040506EE", 10, values, 4, &stored), 6u);
  EXPECT_EQ(stored, 4u);
  EXPECT_EQ(values[3], 4);
  EXPECT_EQ(values[4], 0xBEEF);
  EXPECT_EQ(StoreCalibrationPairs("0000000708EE", 6, values, 4, &stored), 2u);
  EXPECT_EQ(stored, 4u);
  EXPECT_EQ(values[4], 0xBEEF);
}

TEST(ErrorHistoryBlocks, AccumulateTheEntryTextOfEachBlock) {
  char text[64] = "stale";
  std::size_t length = 0;
  EXPECT_EQ(AppendErrorHistoryBlock(U("7pA0123:PAPER JAM,"), 19, text, sizeof text, &length),
            kHistoryBlockMore);
  EXPECT_EQ(AppendErrorHistoryBlock(U("7p@4567:COVER,"), 15, text, sizeof text, &length),
            kHistoryBlockLast);
  EXPECT_STREQ(text, "0123:PAPER JAM,4567:COVER,");
  EXPECT_EQ(length, std::strlen(text));
}

TEST(ErrorHistoryBlocks, OtherRepliesAreRefusedAndNothingIsAppended) {
  char text[16] = "";
  std::size_t length = 0;
  EXPECT_EQ(AppendErrorHistoryBlock(U("7pB0123:X,"), 11, text, sizeof text, &length), 0);
  EXPECT_EQ(AppendErrorHistoryBlock(U("7p"), 2, text, sizeof text, &length), 0);
  EXPECT_EQ(AppendErrorHistoryBlock(U("\x12"), 1, text, sizeof text, &length), 0);
  EXPECT_EQ(length, 0u);
  EXPECT_STREQ(text, "");
}

TEST(ErrorHistoryBlocks, TextIsCutToItsBufferAndUnterminatedBlocksToTheirLength) {
  char text[8];
  std::size_t length = 0;
  EXPECT_EQ(AppendErrorHistoryBlock(U("7pA0123:ABCDEFXYZ"), 10, text, sizeof text, &length),
            kHistoryBlockMore);
  EXPECT_STREQ(text, "0123:AB");  // 7 bytes arrived behind the header
  EXPECT_EQ(AppendErrorHistoryBlock(U("7p@LONGER"), 10, text, sizeof text, &length),
            kHistoryBlockLast);
  EXPECT_STREQ(text, "0123:AB");  // already full: 7 characters and the NUL
  EXPECT_EQ(length, 7u);
}

}  // namespace
}  // namespace qx
