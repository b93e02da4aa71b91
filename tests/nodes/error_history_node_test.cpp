#include "utility/nodes/error_history_node.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/nodes/scripted_scanner.h"

namespace qx {
namespace {

using test::BlockBytes;
using test::Bytes;
using test::History;
using test::RowTexts;
using test::ScriptedScanner;
using Lines = std::vector<std::string>;

constexpr int kUsbPort = 2;

TEST(ErrorHistoryNode, TwoEntriesInOneBlock) {
  int port = kUsbPort;
  CErrorHistoryNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner({History({BlockBytes("7p@", "0123:PAPER JAM,4567:COVER,")})});
    ASSERT_EQ(node.ReadExtended(), 1);
    EXPECT_EQ(scanner.Ports(), std::vector<int>{kUsbPort});
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"last=PAPER JAM/0x30313233", "2=COVER/0x34353637"}));
  EXPECT_TRUE(node.GetRows().empty());
}

TEST(ErrorHistoryNode, EntriesSpreadOverSeveralBlocks) {
  int port = kUsbPort;
  CErrorHistoryNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner({History({BlockBytes("7pA", "0123:PAPER JAM,45"),
                                      BlockBytes("7pA", "67:COVER,0A01:"),
                                      BlockBytes("7p@", "DOUBLE FEED,")})});
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  // Texts keep their first ten characters.
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"last=PAPER JAM/0x30313233", "2=COVER/0x34353637",
                   "3=DOUBLE FEE/0x30413031"}));
}

TEST(ErrorHistoryNode, AtMostTenEntries) {
  int port = kUsbPort;
  CErrorHistoryNode node(&port);
  node.Reset();
  std::string list;
  for (int i = 0; i < 12; ++i) list += "E00" + std::string(1, char('A' + i)) + ":JAM" + char('A' + i) + ",";
  {
    ScriptedScanner scanner({History({BlockBytes("7p@", list)})});
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"last=JAMA/0x45303041", "2=JAMB/0x45303042", "3=JAMC/0x45303043",
                   "4=JAMD/0x45303044", "5=JAME/0x45303045", "6=JAMF/0x45303046",
                   "7=JAMG/0x45303047", "8=JAMH/0x45303048", "9=JAMI/0x45303049",
                   "10=JAMJ/0x4530304A"}));
}

TEST(ErrorHistoryNode, ResetShowsNoRows) {
  int port = kUsbPort;
  CErrorHistoryNode node(&port);
  std::memset(node.GetRecord(), 'Z', node.RecordSize());
  node.Reset();
  for (std::size_t i = 0; i < 160; ++i) ASSERT_EQ(node.GetRecord()[i], 0);
  EXPECT_TRUE(node.GetExtendedRows().empty());
  {
    ScriptedScanner scanner({History({BlockBytes("7p@", "")})});
    EXPECT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_TRUE(node.GetExtendedRows().empty());
}

TEST(ErrorHistoryNode, RowsEndAfterTheLastEntryRead) {
  int port = kUsbPort;
  CErrorHistoryNode node(&port);
  // Entries left from a file: the new, shorter list clears the entry after its last.
  ErrorHistoryRecord* r = reinterpret_cast<ErrorHistoryRecord*>(node.GetRecord());
  for (int i = 0; i < 3; ++i) std::memcpy(&r->entry[i], "OLD\0\0\0\0\0\0\0\0" "9999", 16);
  {
    ScriptedScanner scanner({History({BlockBytes("7p@", "0123:PAPER JAM,")})});
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()), (Lines{"last=PAPER JAM/0x30313233"}));
}

TEST(ErrorHistoryNode, EntryWithoutColonFailsTheRead) {
  int port = kUsbPort;
  CErrorHistoryNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner({History({BlockBytes("7p@", "0123:PAPER JAM,4567-COVER,")})});
    EXPECT_EQ(node.ReadExtended(), 0);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()), (Lines{"last=PAPER JAM/0x30313233"}));
}

TEST(ErrorHistoryNode, FailedTransfersFailTheRead) {
  int port = kUsbPort;
  const std::vector<std::vector<Bytes>> cases = {
      {BlockBytes("7pB", "0123:X,")},                   // not an error history block
      {BlockBytes("7pA", "0123:X,"), BlockBytes("_", "")},
      {BlockBytes("7pA", "0123:X,")},                   // the last block never comes
  };
  for (const std::vector<Bytes>& blocks : cases) {
    CErrorHistoryNode node(&port);
    node.Reset();
    {
      ScriptedScanner scanner({History(blocks)});
      EXPECT_EQ(node.ReadExtended(), 0);
    }
    EXPECT_TRUE(node.GetExtendedRows().empty());
  }
}

TEST(ErrorHistoryParse, UnclosedAndShortLists) {
  ErrorHistoryRecord record = {};
  // The last entry without its ',' runs to the end of the list.
  EXPECT_EQ(ParseErrorHistory("0123:PAPER JAM,4567:COVER", 25, &record), 1);
  EXPECT_STREQ(record.entry[1].text, "COVER");
  EXPECT_EQ(std::string(record.entry[1].code), "4567");
  // Fewer than four characters left: done.
  record = {};
  EXPECT_EQ(ParseErrorHistory("0123:A,45", 9, &record), 1);
  EXPECT_STREQ(record.entry[0].text, "A");
  EXPECT_STREQ(record.entry[1].text, "");
  // Four code characters and nothing behind them.
  EXPECT_EQ(ParseErrorHistory("0123", 4, &record), 0);
  // An empty text between ':' and ','.
  record = {};
  EXPECT_EQ(ParseErrorHistory("0123:,4567:B,", 13, &record), 1);
  EXPECT_STREQ(record.entry[0].text, "");
  EXPECT_STREQ(record.entry[1].text, "B");
}

TEST(ErrorHistoryRows, CodeBytesAreSignedBytesInHexadecimal) {
  int port = kUsbPort;
  CErrorHistoryNode node(&port);
  node.Reset();
  ErrorHistoryRecord* r = reinterpret_cast<ErrorHistoryRecord*>(node.GetRecord());
  std::memcpy(r->entry[0].text, "JAM", 3);
  const char code[4] = {'\x80', '\x0A', '0', '\x7F'};
  std::memcpy(r->entry[0].code, code, 4);
  EXPECT_EQ(RowTexts(node.GetExtendedRows()), (Lines{"last=JAM/0xFFFFFF80A307F"}));
}

TEST(ErrorHistoryRows, TextsStayWithinTheirFields) {
  int port = kUsbPort;
  CErrorHistoryNode node(&port);
  std::memset(node.GetRecord(), 'W', node.RecordSize());
  RowList rows = node.GetExtendedRows();
  ASSERT_EQ(rows.size(), 10u);
  for (const Row& row : rows) EXPECT_EQ(row.value, std::string(11, 'W') + "/0x57575757");
}

}  // namespace
}  // namespace qx
