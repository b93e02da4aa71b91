#include "utility/nodes/device_nodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/nodes/scanner_scripts.h"
#include "tests/nodes/scripted_scanner.h"

namespace qx {
namespace {

using test::Answer;
using test::AnswerBytes;
using test::Exchange;
using test::Fail;
using test::RowTexts;
using test::ScriptedScanner;
using Lines = std::vector<std::string>;

constexpr int kUsbPort = 2;

const Lines kTwoPocketDeviceRows = {
    "Device name=QX-R7000",
    "Firmware version=1.03A",
    "Interface=USB",
    "Company name=NORVA",
    "Serial no.=R7K0012345",
    "Speed=90dpm",
    "Remote wake up=Supported",
    "Franker=Installed",
    "Number of pockets=2",
    "Scanner type=Multi Feed Scanner",
    "Waterfall mode=Supported",
};

std::vector<Exchange> DeviceExtendedScript() {
  std::vector<Exchange> script = test::DeviceReadScript();
  test::Append(&script, {
      Answer({0x1C, '|', 0x7F, 'o', 0x15, 0xEA, 0x8A, 0x01, 0x00, 0x0E}, "1", "R7000-ORG 2.10"),
      Answer({0x1C, '|', 0x7F, 'o', 0x15, 0xEA, 0x8A, 0x01, 0x00, 0x1E}, "1", "0"),
      Answer({0x1C, '|', 0x7F, 'o', 'f', 0x99, '3', 0x00, 0x00}, "1", "1"),
  });
  return script;
}

// --- Device

TEST(DeviceNode, ExtendedRowsOfATwoPocketScannerWithFranker) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner(DeviceExtendedScript());
    ASSERT_EQ(node.ReadExtended(), 1);
    for (int p : scanner.Ports()) EXPECT_EQ(p, kUsbPort);
  }
  Lines expected = kTwoPocketDeviceRows;
  expected.push_back("Original version=R7000-ORG 2.10");
  expected.push_back("Boot mode=Normal mode");
  expected.push_back("Calibration information=Done");
  EXPECT_EQ(RowTexts(node.GetExtendedRows()), expected);
  EXPECT_EQ(RowTexts(node.GetRows()), kTwoPocketDeviceRows);
}

TEST(DeviceNode, NormalReadFillsTheNormalRowsOnly) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner(test::DeviceReadScript());
    ASSERT_EQ(node.Read(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetRows()), kTwoPocketDeviceRows);
  RowList extended = node.GetExtendedRows();
  ASSERT_EQ(extended.size(), 14u);
  EXPECT_EQ(RowTexts(RowList(extended.begin(), extended.begin() + 11)), kTwoPocketDeviceRows);
  EXPECT_EQ(RowTexts(RowList(extended.begin() + 11, extended.end())),
            (Lines{"Original version=", "Boot mode=", "Calibration information="}));
}

TEST(DeviceNode, ResetRecordShowsEveryRowEmpty) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  std::memset(node.GetRecord(), 0x5A, node.RecordSize());
  node.Reset();
  const std::uint8_t* r = node.GetRecord();
  for (std::size_t i : {148u, 149u, 150u, 184u, 185u, 186u, 187u, 188u}) EXPECT_EQ(r[i], 0xFF) << i;
  EXPECT_EQ(r[0], 0);
  EXPECT_EQ(r[183], 0);
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"Device name=", "Firmware version=", "Interface=", "Company name=",
                   "Serial no.=", "Speed=", "Remote wake up=", "Franker=", "Number of pockets=",
                   "Scanner type=", "Waterfall mode=", "Original version=", "Boot mode=",
                   "Calibration information="}));
}

TEST(DeviceNode, SpeedDependsOnTheScannerType) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  node.Reset();
  DeviceRecord* r = reinterpret_cast<DeviceRecord*>(node.GetRecord());
  r->speedCode = '@';
  EXPECT_EQ(node.GetRows()[5].value, "30dpm");  // scanner type unread
  r->scannerType = 0;
  EXPECT_EQ(node.GetRows()[5].value, "up to 30dpm");
  r->scannerType = 1;
  EXPECT_EQ(node.GetRows()[5].value, "30dpm");
  r->speedCode = 'B';
  EXPECT_EQ(node.GetRows()[5].value, "60dpm");
  r->speedCode = 'C';
  EXPECT_EQ(node.GetRows()[5].value, "");
}

TEST(DeviceNode, OptionByteGivesSpeedWaterfallAndPockets) {
  struct Case {
    std::uint8_t options;
    const char* speed;
    const char* waterfall;
    const char* pockets;
  };
  const Case cases[] = {
      {0x00, "up to 30dpm", "Not supported", "2"},
      {0x04, "up to 30dpm", "Not supported", "2"},
      {0x22, "60dpm", "Not supported", "1"},
      {0x36, "90dpm", "Supported", "1"},
  };
  for (const Case& c : cases) {
    int port = kUsbPort;
    CDeviceNode node(&port);
    node.Reset();
    test::DeviceAnswers answers;
    answers.options = c.options;
    answers.typeData = "007";  // bit 3 clear: single feed
    {
      ScriptedScanner scanner(test::DeviceReadScript(answers));
      ASSERT_EQ(node.Read(), 1);
    }
    RowList rows = node.GetRows();
    EXPECT_EQ(rows[5].value, c.speed) << int(c.options);
    EXPECT_EQ(rows[8].value, c.pockets) << int(c.options);
    EXPECT_EQ(rows[9].value, "Single Feed Scanner");
    EXPECT_EQ(rows[10].value, c.waterfall) << int(c.options);
  }
}

TEST(DeviceNode, StatusAndDescriptorBitsGiveFrankerAndRemoteWakeUp) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  node.Reset();
  test::DeviceAnswers answers;
  answers.attributes = 0x80;
  answers.status = {0x10, 0x00, 0x00, 0x02};
  {
    ScriptedScanner scanner(test::DeviceReadScript(answers));
    ASSERT_EQ(node.Read(), 1);
  }
  EXPECT_EQ(node.GetRows()[6].value, "Not supported");
  EXPECT_EQ(node.GetRows()[7].value, "Not installed");
}

TEST(DeviceNode, PocketCountAboveTwoShowsEmpty) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  node.Reset();
  DeviceRecord* r = reinterpret_cast<DeviceRecord*>(node.GetRecord());
  r->pockets = 1;
  EXPECT_EQ(node.GetRows()[8].value, "1");
  r->pockets = 3;
  EXPECT_EQ(node.GetRows()[8].value, "");
  r->pockets = 0xFF;
  EXPECT_EQ(node.GetRows()[8].value, "");
}

TEST(DeviceNode, ReadStopsAtTheFirstFailedRequestKeepingWhatItGot) {
  const struct {
    std::size_t failAt;
    int result;
  } cases[] = {{0, kRequestNoReply}, {2, kRequestWriteFailed}, {4, kRequestNotDone}};
  for (auto c : cases) {
    int port = kUsbPort;
    CDeviceNode node(&port);
    node.Reset();
    std::vector<Exchange> script = test::DeviceReadScript();
    script.resize(c.failAt + 1);
    script.back() = Fail(script.back().command, c.result);
    {
      ScriptedScanner scanner(script);
      EXPECT_EQ(node.Read(), 0);
    }
    RowList rows = node.GetRows();
    EXPECT_EQ(rows[1].value, c.failAt > 0 ? "1.03A" : "");
    EXPECT_EQ(rows[2].value, c.failAt >= 4 ? "USB" : "");  // written before the speed request
    EXPECT_EQ(rows[0].value, c.failAt > 2 ? "QX-R7000" : "");
  }
}

TEST(DeviceNode, WrongHeaderFailsTheRead) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner({Answer(test::IdentityCommand(0x41), "1", "1.03A")});
    EXPECT_EQ(node.Read(), 0);
  }
  EXPECT_EQ(node.GetRows()[1].value, "");
}

TEST(DeviceNode, FailedDescriptorQueryFailsTheRead) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  node.Reset();
  std::vector<Exchange> script = test::DeviceReadScript();
  script.resize(6);
  script[5] = test::Control(test::kConfigurationCode, {}, 0);
  {
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.Read(), 0);
  }
  EXPECT_EQ(node.GetRows()[5].value, "90dpm");
  EXPECT_EQ(node.GetRows()[6].value, "");
}

TEST(DeviceNode, ShortConfigurationSetStillGivesRemoteWakeUp) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  node.Reset();
  std::vector<Exchange> script = test::DeviceReadScript();
  // wTotalLength 4: the set is too short to hold bmAttributes, the first answer has it.
  script[5] = test::Control(test::kConfigurationCode, {0x09, 0x02, 0x04, 0x00, 1, 1, 0, 0xA0, 50});
  script[6] = test::Control(test::kConfigurationCode, {0x09, 0x02, 0x04, 0x00});
  {
    ScriptedScanner scanner(script);
    ASSERT_EQ(node.Read(), 1);
  }
  EXPECT_EQ(node.GetRows()[6].value, "Supported");
}

TEST(DeviceNode, OverLongIdentityTextKeepsThirtyTwoCharacters) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  node.Reset();
  test::DeviceAnswers answers;
  answers.name = std::string(40, 'Q');
  {
    ScriptedScanner scanner(test::DeviceReadScript(answers));
    ASSERT_EQ(node.Read(), 1);
  }
  EXPECT_EQ(node.GetRows()[0].value, std::string(32, 'Q'));
}

TEST(DeviceNode, ExtendedReadGoesOnAfterSilenceButNotAfterAWrongHeader) {
  int port = kUsbPort;
  {
    CDeviceNode node(&port);
    node.Reset();
    std::vector<Exchange> script = {Fail(test::IdentityCommand(0x41), kRequestNoReply)};
    test::Append(&script, {
        Fail({0x1C, '|', 0x7F, 'o', 0x15, 0xEA, 0x8A, 0x01, 0x00, 0x0E}, kRequestNoReply),
        Fail({0x1C, '|', 0x7F, 'o', 0x15, 0xEA, 0x8A, 0x01, 0x00, 0x1E}, kRequestWriteFailed),
        Answer({0x1C, '|', 0x7F, 'o', 'f', 0x99, '3', 0x00, 0x00}, "1", "0"),
    });
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 1);  // the inner read's failure does not count
    RowList rows = node.GetExtendedRows();
    EXPECT_EQ(rows[11].value, "");
    EXPECT_EQ(rows[12].value, "");
    EXPECT_EQ(rows[13].value, "Not yet");
  }
  {
    CDeviceNode node(&port);
    node.Reset();
    std::vector<Exchange> script = test::DeviceReadScript();
    test::Append(&script, {
        Answer({0x1C, '|', 0x7F, 'o', 0x15, 0xEA, 0x8A, 0x01, 0x00, 0x0E}, "1", "ORG"),
        Answer({0x1C, '|', 0x7F, 'o', 0x15, 0xEA, 0x8A, 0x01, 0x00, 0x1E}, "_", ""),
    });
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 0);
    EXPECT_EQ(node.GetExtendedRows()[11].value, "ORG");
    EXPECT_EQ(node.GetExtendedRows()[12].value, "");
  }
}

TEST(DeviceNode, TextsStayWithinTheirFieldsWithoutTerminators) {
  int port = kUsbPort;
  CDeviceNode node(&port);
  // A record from a device or a file whose texts fill their fields completely.
  std::memset(node.GetRecord(), 'T', node.RecordSize());
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[0].value, std::string(33, 'T'));
  EXPECT_EQ(rows[1].value, std::string(33, 'T'));
  EXPECT_EQ(rows[2].value, std::string(16, 'T'));
  EXPECT_EQ(rows[3].value, std::string(33, 'T'));
  EXPECT_EQ(rows[4].value, std::string(33, 'T'));
  EXPECT_EQ(rows[11].value, std::string(33, 'T'));
}

// --- Sensor Status

std::vector<Exchange> SensorScript() {
  std::vector<Exchange> script = test::ADConverterScript();
  test::Append(&script, test::ThresholdScript());
  test::Append(&script, {
      Answer(test::PositionCommand(0), "1", "00"),
      Answer(test::PositionCommand(1), "1", "31"),
      Answer(test::PositionCommand(2), "1", "30"),
      test::Status(test::AutomaticStatusCommand(), {0x10, 0x00, 0x0A, 0x20}),
  });
  test::Append(&script, test::DeviceReadScript());
  return script;
}

TEST(SensorStatusNode, ExtendedRowsOfATwoPocketScanner) {
  int port = kUsbPort;
  CSensorStatusNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner(SensorScript());
    ASSERT_EQ(node.ReadExtended(), 1);
    for (int p : scanner.Ports()) EXPECT_EQ(p, kUsbPort);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"ASF detector=Paper present",
                   "Paper length detector=Paper present",
                   "Middle detector=Paper present",
                   "Franking detector=Paper not present",
                   "Eject detector=Paper present",
                   "Hopper position sensor=Home position",
                   "Stamp position sensor=Out of home position",
                   "Separation plate position sensor=Home position",
                   "Main pocket near full sensor=Not near full",
                   "Sub pocket near full sensor=Not near full",
                   "Insertion waiting of paper=Waiting"}));
  EXPECT_TRUE(node.GetRows().empty());
  EXPECT_EQ(node.StoredSize(), 11u);
  EXPECT_EQ(node.RecordSize(), 200u);
  EXPECT_EQ(node.record().device.pockets, 2);
}

TEST(SensorStatusNode, OnePocketScannerHasFewerRows) {
  int port = kUsbPort;
  CSensorStatusNode node(&port);
  node.Reset();
  std::vector<Exchange> script = SensorScript();
  test::DeviceAnswers onePocket;
  onePocket.options = 0x36;
  script.resize(script.size() - 11);
  test::Append(&script, test::DeviceReadScript(onePocket));
  // Sub pocket bits say near full; the row does not exist on this scanner.
  script[script.size() - 12] = test::Status(test::AutomaticStatusCommand(), {0, 0, 0x40, 0x00});
  {
    ScriptedScanner scanner(script);
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"ASF detector=Paper not present",
                   "Paper length detector=Paper present",
                   "Middle detector=Paper present",
                   "Franking detector=Paper not present",
                   "Eject detector=Paper present",
                   "Hopper position sensor=Home position",
                   "Stamp position sensor=Out of home position",
                   "Pocket near full sensor=Near full",
                   "Insertion waiting of paper=Not waiting"}));
}

TEST(SensorStatusNode, ResetRowsAndUnknownPocketCount) {
  int port = kUsbPort;
  CSensorStatusNode node(&port);
  node.Reset();
  // A fresh node's device copy is unread: pockets 0xFF count as two or more.
  const Lines resetRows = {"ASF detector=none",
                           "Paper length detector=none",
                           "Middle detector=none",
                           "Franking detector=none",
                           "Eject detector=",
                           "Hopper position sensor=",
                           "Stamp position sensor=",
                           "Separation plate position sensor=",
                           "Main pocket near full sensor=",
                           "Sub pocket near full sensor=",
                           "Insertion waiting of paper="};
  EXPECT_EQ(RowTexts(node.GetExtendedRows()), resetRows);
  SensorStatusRecord* r = reinterpret_cast<SensorStatusRecord*>(node.GetRecord());
  r->device.pockets = 1;
  EXPECT_EQ(node.GetExtendedRows().size(), 9u);
  EXPECT_EQ(node.GetExtendedRows()[7].item, "Pocket near full sensor");
  r->device.pockets = 0;
  EXPECT_EQ(node.GetExtendedRows().size(), 9u);
  r->device.pockets = 0xFF;
  EXPECT_EQ(RowTexts(node.GetExtendedRows()), resetRows);
}

TEST(SensorStatusNode, ResetTouchesOnlyTheStoredBytes) {
  int port = kUsbPort;
  CSensorStatusNode node(&port);
  std::memset(node.GetRecord(), '1', node.RecordSize());
  node.Reset();
  for (std::size_t i = 0; i < 11; ++i) EXPECT_EQ(node.GetRecord()[i], 0xFF);
  for (std::size_t i = 11; i < 200; ++i) EXPECT_EQ(node.GetRecord()[i], '1');
}

TEST(SensorStatusNode, OtherBytesInAStateShowEmpty) {
  int port = kUsbPort;
  CSensorStatusNode node(&port);
  std::memset(node.GetRecord(), '7', 11);
  for (const Row& row : node.GetExtendedRows()) EXPECT_EQ(row.value, "") << row.item;
}

TEST(SensorStatusNode, SilentPositionSensorsAndStatusLeaveMarkers) {
  int port = kUsbPort;
  CSensorStatusNode node(&port);
  node.Reset();
  std::vector<Exchange> script = test::ADConverterScript();
  test::Append(&script, test::ThresholdScript());
  test::Append(&script, {
      Fail(test::PositionCommand(0), kRequestNoReply),
      Answer(test::PositionCommand(1), "1", "30"),
      Fail(test::PositionCommand(2), kRequestWriteFailed),
      Fail(test::AutomaticStatusCommand(), kRequestNoReply),
  });
  script.back().kind = Exchange::Kind::kAutomaticStatus;
  test::Append(&script, test::DeviceReadScript());
  {
    ScriptedScanner scanner(script);
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"ASF detector=none",
                   "Paper length detector=Paper present",
                   "Middle detector=Paper present",
                   "Franking detector=Paper not present",
                   "Eject detector=Paper present",
                   "Hopper position sensor=",
                   "Stamp position sensor=Home position",
                   "Separation plate position sensor=",
                   "Main pocket near full sensor=",
                   "Sub pocket near full sensor=",
                   "Insertion waiting of paper="}));
}

TEST(SensorStatusNode, FailuresThatEndTheRead) {
  int port = kUsbPort;
  const std::size_t beforePositions = 6 + 9;
  // Threshold request failing before SPI.
  {
    CSensorStatusNode node(&port);
    node.Reset();
    std::vector<Exchange> script = test::ADConverterScript();
    script.push_back(Fail(test::ThresholdCommand(10), kRequestNoReply));
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 0);
  }
  // A position reply whose first data byte is NUL, or a wrong header.
  for (const Exchange& bad : {Answer(test::PositionCommand(0), "1", ""),
                              Answer(test::PositionCommand(0), "_", "31")}) {
    CSensorStatusNode node(&port);
    node.Reset();
    std::vector<Exchange> script = SensorScript();
    script.resize(beforePositions);
    script.push_back(bad);
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 0);
    EXPECT_EQ(node.GetExtendedRows()[1].value, "Paper present");
    EXPECT_EQ(node.GetExtendedRows()[5].value, "");
  }
  // The device read failing.
  {
    CSensorStatusNode node(&port);
    node.Reset();
    std::vector<Exchange> script = SensorScript();
    script.resize(script.size() - 11);
    script.push_back(Fail(test::IdentityCommand(0x41), kRequestNotDone));
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 0);
    EXPECT_EQ(node.record().device.pockets, 0xFF);
  }
}

// --- AD Converter

TEST(ADConverterNode, ExtendedRowsOfTheScannersReadings) {
  int port = kUsbPort;
  CADConverterNode node(&port);
  node.Reset();
  {
    ScriptedScanner scanner(test::ADConverterScript());
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"Voltage=A5H", "Paper length detector=3CH", "Middle detector=C8H",
                   "Franking detector=20H", "Eject detector= 5H", "Double-Feed sensor=1234H"}));
  EXPECT_EQ(std::int32_t{node.record().doubleFeedSensor}, 0x1234);
  EXPECT_TRUE(node.GetRows().empty());
  EXPECT_EQ(node.StoredSize(), 14u);
}

TEST(ADConverterNode, ResetRowsAreNone) {
  int port = kUsbPort;
  CADConverterNode node(&port);
  std::memset(node.GetRecord(), 0, node.RecordSize());
  node.Reset();
  EXPECT_EQ(node.GetRecord()[14], 0);  // slack untouched
  EXPECT_EQ(RowTexts(node.GetExtendedRows()),
            (Lines{"Voltage=none", "Paper length detector=none", "Middle detector=none",
                   "Franking detector=none", "Eject detector=none", "Double-Feed sensor=none"}));
}

TEST(ADConverterNode, ReplyWithAnotherHeaderLeavesTheReadingAndSucceeds) {
  int port = kUsbPort;
  CADConverterNode node(&port);
  node.Reset();
  std::vector<Exchange> script = test::ADConverterScript();
  script[2] = Answer(test::VoltageCommand(5), "_", "C8");
  script[5] = AnswerBytes(test::VoltageCommand(9), {0x06});
  {
    ScriptedScanner scanner(script);
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[2].value, "none");
  EXPECT_EQ(rows[5].value, "none");
  EXPECT_EQ(rows[0].value, "A5H");
}

TEST(ADConverterNode, AFailedStepEndsTheRead) {
  int port = kUsbPort;
  CADConverterNode node(&port);
  node.Reset();
  std::vector<Exchange> script = test::ADConverterScript();
  script.resize(3);
  script[2] = Fail(test::VoltageCommand(5), kRequestNoReply);
  {
    ScriptedScanner scanner(script);
    EXPECT_EQ(node.ReadExtended(), 0);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[1].value, "3CH");
  EXPECT_EQ(rows[2].value, "none");
  EXPECT_EQ(rows[4].value, "none");
}

TEST(ADConverterNode, WideReadingsKeepTheirLowSixteenBits) {
  int port = kUsbPort;
  CADConverterNode node(&port);
  node.Reset();
  std::vector<Exchange> script = test::ADConverterScript();
  script[0] = Answer(test::VoltageCommand(2), "1", "12345");
  script[4] = Answer(test::VoltageCommand(7), "1", "1A");
  script[5] = Answer(test::VoltageCommand(9), "1", "FF");
  {
    ScriptedScanner scanner(script);
    ASSERT_EQ(node.ReadExtended(), 1);
  }
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows[0].value, "2345H");
  EXPECT_EQ(rows[4].value, "1AH");
  EXPECT_EQ(rows[5].value, "FF00H");
}

}  // namespace
}  // namespace qx
