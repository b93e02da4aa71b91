#include "utility/nodes/value_format.h"

#include <gtest/gtest.h>

#include <string>

namespace qx {
namespace {

TEST(ValueFormat, SharedPatterns) {
  EXPECT_EQ(FormatValue("%02XH", 0x0A), "0AH");
  EXPECT_EQ(FormatValue("%04XH", 0x1234), "1234H");
  EXPECT_EQ(FormatValue("%2XH", 5), " 5H");
  EXPECT_EQ(FormatValue("%08X", 0xE0u), "000000E0");
  EXPECT_EQ(FormatValue("%03d", 7), "007");
}

TEST(ValueFormat, ResultIsCutToTheTextBuffer) {
  std::string longText(400, 'x');
  EXPECT_EQ(FormatValue("%s", longText.c_str()).size(), kValueTextSize - 1);
}

TEST(FieldText, StopsAtTheTerminatorOrTheFieldEnd) {
  char terminated[8] = {'A', 'B', 0, 'C', 'D', 0, 0, 0};
  EXPECT_EQ(FieldText(terminated), "AB");
  struct {
    char field[4];
    char next[4];
  } unterminated = {{'W', 'X', 'Y', 'Z'}, {'!', '!', '!', 0}};
  EXPECT_EQ(FieldText(unterminated.field), "WXYZ");
}

}  // namespace
}  // namespace qx
