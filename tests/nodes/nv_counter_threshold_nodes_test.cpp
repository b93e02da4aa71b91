#include "utility/nodes/nv_counter_threshold_nodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/nodes/scanner_scripts.h"
#include "tests/nodes/scripted_scanner.h"

namespace qx {
namespace {

using test::Answer;
using test::CounterCommand;
using test::Exchange;
using test::Fail;
using test::NvCommand;
using test::RowTexts;
using test::ScriptedScanner;
using test::ThresholdCommand;
using Lines = std::vector<std::string>;

constexpr int kUsbPort = 2;

// --- NORVA NV

std::vector<Exchange> NvScript() {
  return {
      Answer(NvCommand('1'), "7p#", "R7K0012345"),
      Answer(NvCommand('2'), "7p#", "2026/11/02 FACTORY"),
      Answer(NvCommand('3'), "7p#", "MICR E13B"),
      Answer(NvCommand('4'), "7p#", ""),
      Answer(NvCommand('5'), "_", "not kept"),  // a slot this scanner does not have
      Answer(NvCommand('6'), "7p#", "PKT2 FRK1"),
      Answer(NvCommand('7'), "7p#", ""),
      Answer(NvCommand('8'), "7p#", "SVC 2026/12/01"),
      Answer(NvCommand('9'), "7p#", "END"),
  };
}

TEST(NORVANVNode, ExtendedRowsOfTheNineSlots) {
  int port = kUsbPort;
  CNORVANVNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner(NvScript());
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"#1=R7K0012345", "#2=2026/11/02 FACTORY", "#3=MICR E13B", "#4=", "#5=",
                   "#6=PKT2 FRK1", "#7=", "#8=SVC 2026/12/01", "#9=END"}));
  EXPECT_TRUE(node.GetRows().empty());
}

TEST(NORVANVNode, ResetRowsAreEmpty) {
  int port = kUsbPort;
  CNORVANVNode node(&port);
  std::memset(node.GetRecord(), 'x', node.RecordSize());
  node.Reset();
  for (std::size_t i = 0; i < node.RecordSize(); ++i) ASSERT_EQ(node.GetRecord()[i], 0) << i;
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"#1=", "#2=", "#3=", "#4=", "#5=", "#6=", "#7=", "#8=", "#9="}));
}

TEST(NORVANVNode, OverLongSlotReplyKeepsEightyCharacters) {
  int port = kUsbPort;
  CNORVANVNode node(&port);
  node.Reset();
  std::vector<Exchange> script = NvScript();
  const std::string longText = std::string(80, 'L') + "OVERFLOW";
  script[1] = Answer(NvCommand('2'), "7p#", longText);
  {
    ScriptedScanner scanner(script);
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[1].value, std::string(80, 'L'));
  EXPECT_EQ(rows[2].value, "MICR E13B");
}

TEST(NORVANVNode, AFailedRequestEndsTheReadKeepingEarlierSlots) {
  int port = kUsbPort;
  CNORVANVNode node(&port);
  node.Reset();
  std::vector<Exchange> script = NvScript();
  script.resize(3);
  script[2] = Fail(NvCommand('3'), kRequestNoReply);
  {
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 0);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[1].value, "2026/11/02 FACTORY");
  EXPECT_EQ(rows[2].value, "");
}

TEST(NORVANVNode, SlotTextsStayWithinTheirFields) {
  int port = kUsbPort;
  CNORVANVNode node(&port);
  std::memset(node.GetRecord(), 'S', node.RecordSize());
  for (const Row& row : node.GetExtendedRows()) EXPECT_EQ(row.value, std::string(81, 'S'));
}

// --- Maintenance Counter

std::vector<Exchange> CounterScript(const test::DeviceAnswers& device = {}) {
  std::vector<Exchange> script = {
      Answer(CounterCommand(0x46), "_", "1520"),  Answer(CounterCommand(0x3C), "_", "48211"),
      Answer(CounterCommand(0x3D), "_", "48230"), Answer(CounterCommand(0x3E), "_", "12007"),
      Answer(CounterCommand(0x3F), "_", "9120"),  Answer(CounterCommand(0xC6), "_", "1533"),
      Answer(CounterCommand(0xBC), "_", "50004"), Answer(CounterCommand(0xBD), "_", "50021"),
      Answer(CounterCommand(0xBE), "_", "12010"), Answer(CounterCommand(0xBF), "_", "9204"),
  };
  test::Append(&script, test::DeviceReadScript(device));
  return script;
}

TEST(MaintenanceCounterNode, ExtendedRowsOfATwoPocketScanner) {
  int port = kUsbPort;
  CMaintenanceCounterNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner(CounterScript());
    ASSERT_EQ(node.ReadExtended(), 1);
    for (int p : scanner.Ports()) EXPECT_EQ(p, kUsbPort);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"Hour=1520/1533", "Scan=48211/50004", "Hopper=48230/50021",
                   "Franking=12007/12010", "Pocket=9120/9204"}));
  EXPECT_EQ(node.StoredSize(), 110u);
  EXPECT_EQ(node.RecordSize(), 299u);
}

TEST(MaintenanceCounterNode, OnePocketRowsEndWithFranking) {
  int port = kUsbPort;
  CMaintenanceCounterNode node(&port);
  node.Reset();
  test::DeviceAnswers onePocket;
  onePocket.options = 0x26;
  {
    ScriptedScanner scanner(CounterScript(onePocket));
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"Hour=1520/1533", "Scan=48211/50004", "Hopper=48230/50021",
                   "Franking=12007/12010"}));
}

TEST(MaintenanceCounterNode, ResetRowsShowNoneOnBothSides) {
  int port = kUsbPort;
  CMaintenanceCounterNode node(&port);
  std::memset(node.GetRecord(), '9', 110);
  node.Reset();
  // A fresh node's device copy is unread: pockets 0xFF count as two or more.
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"Hour=none/none", "Scan=none/none", "Hopper=none/none", "Franking=none/none",
                   "Pocket=none/none"}));
  MaintenanceCounterRecord* r = reinterpret_cast<MaintenanceCounterRecord*>(node.GetRecord());
  r->device.pockets = 1;
  node.Reset();  // the copy is not touched
  EXPECT_EQ(node.GetExtendedRows().size(), 4u);
}

TEST(MaintenanceCounterNode, CounterTheScannerDoesNotKeepStaysNone) {
  int port = kUsbPort;
  CMaintenanceCounterNode node(&port);
  node.Reset();
  std::vector<Exchange> script = CounterScript();
  script[8] = Answer(CounterCommand(0xBE), "1", "77");
  script[0] = Answer(CounterCommand(0x46), "_", "12345678901234");  // cut to ten characters
  {
    ScriptedScanner scanner(script);
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[0].value, "1234567890/1533");
  EXPECT_EQ(rows[3].value, "12007/none");
}

TEST(MaintenanceCounterNode, FailuresEndTheRead) {
  int port = kUsbPort;
  {
    CMaintenanceCounterNode node(&port);
    node.Reset();
    std::vector<Exchange> script = CounterScript();
    script.resize(2);
    script[1] = Fail(CounterCommand(0x3C), kRequestWriteFailed);
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 0);
    EXPECT_EQ(node.GetExtendedRows()[0].value, "1520/none");
  }
  {
    CMaintenanceCounterNode node(&port);
    node.Reset();
    std::vector<Exchange> script = CounterScript();
    script.resize(11);
    script[10] = Fail(test::IdentityCommand(0x41), kRequestNoReply);
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 0);
    EXPECT_EQ(node.record().device.pockets, 0xFF);
  }
}

TEST(MaintenanceCounterNode, CounterTextsStayWithinTheirFields) {
  int port = kUsbPort;
  CMaintenanceCounterNode node(&port);
  std::memset(node.GetRecord(), 'C', 110);
  const std::string eleven(11, 'C');
  for (const Row& row : node.GetExtendedRows()) EXPECT_EQ(row.value, eleven + "/" + eleven);
}

// --- Threshold Value

TEST(ThresholdValueNode, ExtendedRowsOfTheScannersThresholds) {
  int port = kUsbPort;
  CThresholdValueNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner(test::ThresholdScript());
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"ASF detector=80H", "Paper length detector=50H", "Middle detector=60H",
                   "Franking detector=40H", "Eject detector=10H",
                   "Double-feed(Paper not present)=1234H", "Double-feed(Paper present)=5678H",
                   "Difference of CIS=10", "SPI Information=1"}));
  const std::uint8_t* r = node.GetRecord();
  EXPECT_EQ(r[10], 0);
  EXPECT_EQ(r[11], 0);
  EXPECT_EQ(r[26], 0);
  EXPECT_EQ(r[27], 0);
  EXPECT_TRUE(node.GetRows().empty());
}

TEST(ThresholdValueNode, ResetRowsAreNone) {
  int port = kUsbPort;
  CThresholdValueNode node(&port);
  std::memset(node.GetRecord(), 0, node.RecordSize());
  node.Reset();
  for (std::size_t i = 0; i < 28; ++i) ASSERT_EQ(node.GetRecord()[i], 0xFF) << i;
  for (const Row& row : node.GetExtendedRows()) EXPECT_EQ(row.value, "none") << row.item;
  EXPECT_EQ(node.GetExtendedRows().size(), 9u);
}

TEST(ThresholdValueNode, ValuesTheScannerDoesNotHoldShowNotSet) {
  int port = kUsbPort;
  CThresholdValueNode node(&port);
  node.Reset();
  std::vector<Exchange> script = test::ThresholdScript();
  script[0] = Answer(ThresholdCommand(10), "1", "FF");
  script[5] = Answer(ThresholdCommand(15), "1", "FFFF");
  script[7] = Answer(ThresholdCommand(17), "1", "FF");
  script[8] = Answer(ThresholdCommand(18), "1", "FFFF");
  {
    ScriptedScanner scanner(script);
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[0].value, "not set");
  EXPECT_EQ(rows[5].value, "not set");
  EXPECT_EQ(rows[7].value, "not set");
  EXPECT_EQ(rows[8].value, "not set");
  EXPECT_EQ(rows[1].value, "50H");
}

TEST(ThresholdValueNode, TakesOnlyTheGivenNumberOfDigits) {
  int port = kUsbPort;
  CThresholdValueNode node(&port);
  node.Reset();
  std::vector<Exchange> script = test::ThresholdScript();
  script[1] = Answer(ThresholdCommand(11), "1", "5A7");
  script[6] = Answer(ThresholdCommand(16), "1", "785699");
  script[7] = Answer(ThresholdCommand(17), "1", "");
  {
    ScriptedScanner scanner(script);
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[1].value, "5AH");
  EXPECT_EQ(rows[6].value, "5678H");
  EXPECT_EQ(rows[7].value, "0");
}

TEST(ThresholdValueNode, SpiRequestMayFail) {
  for (int result : {kRequestNoReply, kRequestWriteFailed, kRequestNotDone}) {
    int port = kUsbPort;
    CThresholdValueNode node(&port);
    node.Reset();
    std::vector<Exchange> script = test::ThresholdScript();
    script[8] = Fail(ThresholdCommand(18), result);
    {
      ScriptedScanner scanner(script);
      EXPECT_EQ(node.ReadExtended(), 1) << result;
    }
    EXPECT_EQ(node.GetExtendedRows()[8].value, "none");
    EXPECT_EQ(node.GetExtendedRows()[7].value, "10");
  }
  // A wrong header counts as a failure too.
  int port = kUsbPort;
  CThresholdValueNode node(&port);
  node.Reset();
  std::vector<Exchange> script = test::ThresholdScript();
  script[8] = Answer(ThresholdCommand(18), "_", "0100");
  {
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(node.GetExtendedRows()[8].value, "none");
}

TEST(ThresholdValueNode, EarlierFailuresEndTheRead) {
  int port = kUsbPort;
  CThresholdValueNode node(&port);
  node.Reset();
  std::vector<Exchange> script = test::ThresholdScript();
  script.resize(8);
  script[7] = Answer(ThresholdCommand(17), "=", "0A");
  {
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 0);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[6].value, "5678H");
  EXPECT_EQ(rows[7].value, "none");
  EXPECT_EQ(rows[8].value, "none");
}

}  // namespace
}  // namespace qx
