#include "utility/nodes/calibration_nodes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/nodes/scripted_scanner.h"

namespace qx {
namespace {

using test::Bytes;
using test::Calibration;
using test::RowTexts;
using test::ScriptedScanner;
using Lines = std::vector<std::string>;

constexpr int kUsbPort = 2;

Bytes CalibrationCommandBytes(std::uint8_t aL, std::uint8_t aH, std::uint8_t nL, std::uint8_t nH) {
  return {0x1C, '+', 0x00, aL, aH, ']', 0x00, nL, nH, 0x00, 0x00};
}

// The scanner's blocks for a run of byte values: at most 250 values per block, each framed by
// three header pairs and a trailer pair.
std::vector<std::string> BlocksOf(const std::vector<int>& values) {
  std::vector<std::string> blocks;
  for (std::size_t at = 0; at < values.size(); at += 250) {
    std::string block = "5A0102";
    for (std::size_t i = at; i < values.size() && i < at + 250; ++i) {
      char pair[3];
      std::snprintf(pair, sizeof pair, "%02X", values[i]);
      block += pair;
    }
    blocks.push_back(block + "EE");
  }
  return blocks;
}

std::vector<int> TableValues() {
  std::vector<int> values;
  for (int i = 0; i < 816; ++i) values.push_back((i * 3 + 7) & 0xFF);
  return values;
}

// --- Calibration values

TEST(CalibrationValueNodes, FaceValuesFromOneBlockOfTwelvePairs) {
  int port = kUsbPort;
  CFaceCalibrationValueNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner({Calibration(CalibrationCommandBytes(0x60, 0x06, 0x08, 0x00),
                                         {"016606" "1E8C40007FC83412" "5D"})});
    ASSERT_EQ(node.ReadExtended(), 1);
    EXPECT_EQ(scanner.Ports(), std::vector<int>{kUsbPort});
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"AFE offset=1EH", "AFE gain=8CH", "AFE voltage=40H",
                   "Shading correction=7FH", "LED lightening=C8H",
                   "LED emission time=1234H"}));
  EXPECT_EQ(node.record().value4, 0);
  EXPECT_TRUE(node.GetRows().empty());
}

TEST(CalibrationValueNodes, BackValuesAcrossTwoBlocks) {
  int port = kUsbPort;
  CBackCalibrationValueNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner({Calibration(CalibrationCommandBytes(0xC8, 0x0C, 0x08, 0x00),
                                         {"000000" "20904205" "AA", "000000" "80B01003" "AA"})});
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"AFE offset=20H", "AFE gain=90H", "AFE voltage=42H",
                   "Shading correction=80H", "LED lightening=B0H",
                   "LED emission time=0310H"}));
  EXPECT_EQ(node.record().value4, 5);
}

TEST(CalibrationValueNodes, OtherValues) {
  int port = kUsbPort;
  COtherCalibrationValueNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner({Calibration(CalibrationCommandBytes(0xD0, 0x0C, 0x04, 0x00),
                                         {"000000" "0100A307" "FF"})});
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"Calibration status=0001H", "Error factor=07A3H"}));
}

TEST(CalibrationValueNodes, ResetRowsAreEmpty) {
  int port = kUsbPort;
  CFaceCalibrationValueNode face(&port);
  CBackCalibrationValueNode back(&port);
  COtherCalibrationValueNode other(&port);
  for (CTreeNode* node : std::vector<CTreeNode*>{&face, &back, &other}) {
    std::memset(node->GetRecord(), 0, node->RecordSize());
    node->Reset();
    for (std::size_t i = 0; i < node->RecordSize(); ++i) ASSERT_EQ(node->GetRecord()[i], 0xFF);
  }
  const Lines emptyValues = {"AFE offset=", "AFE gain=", "AFE voltage=", "Shading correction=",
                             "LED lightening=", "LED emission time="};
  EXPECT_EQ(RowTexts(face.GetExtendedRows()), emptyValues);
  EXPECT_EQ(RowTexts(back.GetExtendedRows()), emptyValues);
  EXPECT_EQ(RowTexts(other.GetExtendedRows()), (Lines{"Calibration status=", "Error factor="}));
  EXPECT_EQ(face.RecordSize(), 16u);
  EXPECT_EQ(other.RecordSize(), 8u);
}

TEST(CalibrationValueNodes, BlocksWithoutValuesAndShortTransfers) {
  int port = kUsbPort;
  CFaceCalibrationValueNode node(&port);
  node.Reset();
  {
    // An N = 4 block carries no value; the transfer then ends after six values.
    ScriptedScanner scanner({Calibration(CalibrationCommandBytes(0x60, 0x06, 0x08, 0x00),
                                         {"01020304", "000000" "1E8C40007FC8" "5D"})});
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[0].value, "1EH");
  EXPECT_EQ(rows[4].value, "C8H");
  EXPECT_EQ(rows[5].value, "");  // values 7 and 8 never came
}

TEST(CalibrationValueNodes, FailedTransferFailsTheReadAndKeepsMarkers) {
  for (int result : {kRequestNoReply, kRequestNotDone, kRequestWriteFailed}) {
    int port = kUsbPort;
    COtherCalibrationValueNode node(&port);
    node.Reset();
    {
      ScriptedScanner scanner({Calibration(CalibrationCommandBytes(0xD0, 0x0C, 0x04, 0x00),
                                           {"000000" "0100" "FF"}, result)});
      EXPECT_EQ(node.ReadExtended(), 0);
    }
    EXPECT_EQ(RowTexts(node.GetExtendedRows()),
              (Lines{"Calibration status=", "Error factor="}));
  }
}

// --- Reference tables

template <class Node>
void ExpectTableRead(std::uint8_t aL, std::uint8_t aH) {
  int port = kUsbPort;
  Node node(&port);
  node.Reset();
  {
    ScriptedScanner scanner(
        {Calibration(CalibrationCommandBytes(aL, aH, 0x30, 0x03), BlocksOf(TableValues()))});
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  RowList rows = node.GetExtendedRows();
  ASSERT_EQ(rows.size(), 816u);
  EXPECT_EQ(rows[0].item, "001");
  EXPECT_EQ(rows[0].value, "07H");
  EXPECT_EQ(rows[1].value, "0AH");
  EXPECT_EQ(rows[255].item, "256");
  EXPECT_EQ(rows[255].value, "04H");
  EXPECT_EQ(rows[815].item, "816");
  EXPECT_EQ(rows[815].value, "94H");
  EXPECT_TRUE(node.GetRows().empty());
}

TEST(CalibrationReferenceNodes, EachTableReadsItsOwnRange) {
  ExpectTableRead<CFaceCalibrationBrightnessNode>(0x00, 0x00);
  ExpectTableRead<CFaceCalibrationDarknessNode>(0x30, 0x03);
  ExpectTableRead<CBackCalibrationBrightnessNode>(0x68, 0x06);
  ExpectTableRead<CBackCalibrationDarknessNode>(0x98, 0x09);
}

TEST(CalibrationReferenceNodes, ResetRowsAreEmpty) {
  int port = kUsbPort;
  CBackCalibrationDarknessNode node(&port);
  std::memset(node.GetRecord(), 0, node.RecordSize());
  node.Reset();
  RowList rows = node.GetExtendedRows();
  ASSERT_EQ(rows.size(), 816u);
  EXPECT_EQ(rows[99].item, "100");
  for (const Row& row : rows) ASSERT_EQ(row.value, "") << row.item;
  EXPECT_EQ(node.RecordSize(), 1632u);
}

TEST(CalibrationReferenceNodes, ATransferBrokenHalfwayKeepsWhatArrived) {
  int port = kUsbPort;
  CFaceCalibrationDarknessNode node(&port);
  node.Reset();
  std::vector<std::string> blocks = BlocksOf(TableValues());
  blocks.resize(2);  // 500 values, then the scanner stops answering
  {
    ScriptedScanner scanner(
        {Calibration(CalibrationCommandBytes(0x30, 0x03, 0x30, 0x03), blocks, kRequestNoReply)});
    EXPECT_EQ(node.ReadExtended(), 0);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[499].value, "E0H");
  EXPECT_EQ(rows[500].value, "");
  EXPECT_EQ(rows[815].value, "");
}

TEST(CalibrationReferenceNodes, ValuesBeyondTheTableAreDropped) {
  int port = kUsbPort;
  CFaceCalibrationBrightnessNode node(&port);
  node.Reset();
  std::vector<int> values = TableValues();
  values.insert(values.end(), 40, 0x55);
  {
    ScriptedScanner scanner(
        {Calibration(CalibrationCommandBytes(0x00, 0x00, 0x30, 0x03), BlocksOf(values))});
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  RowList rows = node.GetExtendedRows();
  ASSERT_EQ(rows.size(), 816u);
  EXPECT_EQ(rows[815].value, "94H");
}

}  // namespace
}  // namespace qx
