#include "utility/nodes/usb_vendor_request_nodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "tests/nodes/fake_qxusb_driver.h"
#include "tests/nodes/row_pairs.h"
#include "utility/port/qxusb_contract.h"

namespace qx {
namespace {

using testing::AllValuesEmpty;
using testing::FakeDriverScope;
using testing::Items;
using testing::Pairs;
using testing::RowPairs;
using Bytes = std::vector<std::uint8_t>;

Bytes Le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

Bytes XbString(const char* text) {
  Bytes b = {static_cast<std::uint8_t>(2 + 2 * std::strlen(text) + 2), 0x03};
  for (const char* c = text; *c != 0; ++c) {
    b.push_back(static_cast<std::uint8_t>(*c));
    b.push_back(0);
  }
  b.resize(256, 0);
  return b;
}

class UsbVendorRequestNodes : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& d = scope_.driver();
    d.Answer(qxusb::kGetSuspendSetting, Le32(1));
    d.Answer(qxusb::kGetDriverVersion, Le32(0x0310));
    d.Answer(qxusb::kGetDriverVersion2, Le32(0x0002));
    d.Answer(qxusb::kGetXbConfiguration, {0x41, 0x11});
    d.Answer(qxusb::kGetXbString, XbString("ABC"));
    // Read multiplier 0.500, read constant 2000.000, write multiplier 1.250, write constant 5000.005
    Bytes pipe;
    for (std::uint32_t v : {0u, 2000u, 1u, 5000u, 500u, 0u, 250u, 5u}) {
      Bytes w = Le32(v);
      pipe.insert(pipe.end(), w.begin(), w.end());
    }
    d.Answer(qxusb::kGetTimeouts, pipe);
    d.Answer(qxusb::kGetTimeoutMode, Le32(0x10ABC123));
    d.Answer(qxusb::kGetXbStatus, Le32(0x0005));
  }

  template <class Node>
  std::unique_ptr<Node> ReadNode() {
    auto node = std::make_unique<Node>(&port_);
    node->Reset();
    EXPECT_EQ(node->ReadExtended(), 1);
    EXPECT_TRUE(node->GetRows().empty());
    return node;
  }

  int port_ = 2;
  FakeDriverScope scope_;
};

TEST_F(UsbVendorRequestNodes, PowerSaveShowsResumeTimeNotSupported) {
  auto node = ReadNode<CPowerSaveNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"ResumeTime", "Not supported"}, {"App Suspend", "1"}}));
  std::int32_t resume;
  std::memcpy(&resume, node->GetRecord(), 4);
  EXPECT_EQ(resume, -1);
  EXPECT_EQ(scope_.driver().calls()[0].outputSize, 4u);
}

TEST_F(UsbVendorRequestNodes, QxusbVersionFromBothWords) {
  auto node = ReadNode<CQXUSBNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"Major version", "0310H"}, {"Minor version", "0002H"}}));
  const auto& calls = scope_.driver().calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].code, qxusb::kGetDriverVersion);
  EXPECT_EQ(calls[1].code, qxusb::kGetDriverVersion2);
}

TEST_F(UsbVendorRequestNodes, QxusbMinorWordKeepsToTheLowerHalf) {
  scope_.driver().Answer(qxusb::kGetDriverVersion2, Le32(0x00070015));
  auto node = ReadNode<CQXUSBNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"Major version", "0310H"}, {"Minor version", "0015H"}}));
}

TEST_F(UsbVendorRequestNodes, QxusbSecondQueryFailingKeepsTheMajorVersion) {
  scope_.driver().Fail(qxusb::kGetDriverVersion2);
  CQXUSBNode node(&port_);
  node.Reset();
  EXPECT_EQ(node.ReadExtended(), 0);
  EXPECT_EQ(Pairs(node.GetExtendedRows()), (RowPairs{{"Major version", "0310H"}, {"Minor version", "0000H"}}));
  scope_.driver().Fail(qxusb::kGetDriverVersion);
  node.Reset();
  EXPECT_EQ(node.ReadExtended(), 0);
  EXPECT_TRUE(AllValuesEmpty(node.GetExtendedRows()));
}

TEST_F(UsbVendorRequestNodes, XbConfiguration1141) {
  auto node = ReadNode<CXBConfigurationDescriptorNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"Device", "KD Device"},
                                                      {"XBFlowControl", "Normal Flow"},
                                                      {"TYPE", "DEVICE_TYPE_TORVIK"},
                                                      {"USB Speed", "High Speed"},
                                                      {"USB Suspend/Resume func", "Enabled"},
                                                      {"Device wakeup PC func", "Disabled"}}));
  EXPECT_EQ(scope_.driver().calls()[0].outputSize, 2u);
}

TEST_F(UsbVendorRequestNodes, XbConfigurationOtherBits) {
  auto node = ReadNode<CXBConfigurationDescriptorNode>();
  struct Case {
    std::uint16_t word;
    RowPairs rows;
  };
  const Case cases[] = {
      {0x2012, {{"Device", "QX Device"}, {"XBFlowControl", "Ex Flow"}, {"TYPE", "DEVICE_TYPE_CEDAR"},
                {"USB Speed", "Full Speed"}, {"USB Suspend/Resume func", "Disabled"},
                {"Device wakeup PC func", "Enabled"}}},
      {0x0004, {{"Device", "QX Device"}, {"XBFlowControl", "Normal Flow"}, {"TYPE", "DEVICE_TYPE_ALDER"},
                {"USB Speed", "Full Speed"}, {"USB Suspend/Resume func", "Disabled"},
                {"Device wakeup PC func", "Disabled"}}},
  };
  for (const Case& c : cases) {
    std::memcpy(node->GetRecord(), &c.word, 2);
    EXPECT_EQ(Pairs(node->GetExtendedRows()), c.rows) << std::hex << c.word;
  }
  for (auto [word, type] : std::vector<std::pair<std::uint16_t, const char*>>{{0x0008, "DEVICE_TYPE_BIRCH"},
                                                                             {0x0023, "DEVICE_TYPE_DAPHNE"},
                                                                             {0x000C, "DEVICE_TYPE_ELM"},
                                                                             {0x0080, "DEVICE_TYPE_ELM"}}) {
    std::memcpy(node->GetRecord(), &word, 2);
    EXPECT_EQ(node->GetExtendedRows()[2].value, type) << std::hex << word;
  }
}

TEST_F(UsbVendorRequestNodes, XbStringAbc) {
  auto node = ReadNode<CXBStringDescriptorNode>();
  EXPECT_EQ(node->GetRecord()[0], 0x0A);
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"String", "ABC"}}));
  EXPECT_EQ(scope_.driver().calls()[0].outputSize, 256u);
}

TEST_F(UsbVendorRequestNodes, PipeTimeOuts) {
  auto node = ReadNode<CPipeTimeOutNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"Read Multiplier", "0.500milli"},
                                                      {"Read Constant", "2000.000milli"},
                                                      {"Write Multiplier", "1.250milli"},
                                                      {"Write Constant", "5000.005milli"}}));
  EXPECT_EQ(scope_.driver().calls()[0].outputSize, 32u);
}

TEST_F(UsbVendorRequestNodes, TimeOutMode10ABC123) {
  auto node = ReadNode<CTimeOutModeNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"Mode", "1 [130<=QXUSB<=181]"},
                                                      {"Request", "0 [SetFeature]"},
                                                      {"WaitTime", "2748"},
                                                      {"ErrorCode", "291"}}));
}

TEST_F(UsbVendorRequestNodes, TimeOutModeNamesAndUnnamedCodes) {
  CTimeOutModeNode node(&port_);
  auto rowsOf = [&node](std::uint32_t word) {
    std::memcpy(node.GetRecord(), &word, 4);
    return node.GetExtendedRows();
  };
  EXPECT_EQ(rowsOf(0x00000000)[0].value, "0 Default");
  EXPECT_EQ(rowsOf(0x21000000)[0].value, "2 [110<=QXUSB<=121]");
  EXPECT_EQ(rowsOf(0x21000000)[1].value, "1 [IoCancelIrp]");
  EXPECT_EQ(rowsOf(0x32FFFFFF)[0].value, "3 [Munial mode]");
  EXPECT_EQ(rowsOf(0x32FFFFFF)[1].value, "2 [AbortPipe]");
  EXPECT_EQ(rowsOf(0x32FFFFFF)[2].value, "4095");
  EXPECT_EQ(rowsOf(0x32FFFFFF)[3].value, "4095");
  EXPECT_EQ(rowsOf(0x03000000)[1].value, "3 [GetFIFOCount]");
  EXPECT_EQ(rowsOf(0x04000000)[1].value, "4 [No Cancel]");
  EXPECT_EQ(rowsOf(0x95000000)[0].value, "9");
  EXPECT_EQ(rowsOf(0x95000000)[1].value, "5");
}

TEST_F(UsbVendorRequestNodes, XbStatus) {
  auto node = ReadNode<CXBStatusNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"Return", "0005"},
                                                      {"Bit0:", "1 OffLine"},
                                                      {"Bit1:", "0 OffLineSend Mode Disabled"},
                                                      {"Bit2:", "1 FIFO Not Empty"}}));
  std::uint32_t word = 0x0002;
  std::memcpy(node->GetRecord(), &word, 4);
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"Return", "0002"},
                                                      {"Bit0:", "0 OnLine"},
                                                      {"Bit1:", "1 OffLineSend Mode Enabled"},
                                                      {"Bit2:", "0 FIFO Empty"}}));
}

TEST(UsbVendorRequestNodesUnread, ResetRecordsGiveLabelsWithEmptyValues) {
  int port = 2;
  CPowerSaveNode power(&port);
  CQXUSBNode qxusb(&port);
  CXBConfigurationDescriptorNode configuration(&port);
  CXBStringDescriptorNode xbString(&port);
  CPipeTimeOutNode pipe(&port);
  CTimeOutModeNode mode(&port);
  CXBStatusNode status(&port);
  for (CTreeNode* node : std::vector<CTreeNode*>{&power, &qxusb, &configuration, &xbString, &pipe, &mode, &status}) {
    std::memset(node->GetRecord(), 0x21, node->RecordSize());
    node->Reset();
    EXPECT_TRUE(AllValuesEmpty(node->GetExtendedRows()));
  }
  EXPECT_EQ(Items(power.GetExtendedRows()), (std::vector<std::string>{"ResumeTime", "App Suspend"}));
  EXPECT_EQ(Items(qxusb.GetExtendedRows()), (std::vector<std::string>{"Major version", "Minor version"}));
  EXPECT_EQ(Items(configuration.GetExtendedRows()),
            (std::vector<std::string>{"Device", "XBFlowControl", "TYPE", "USB Speed", "USB Suspend/Resume func",
                                      "Device wakeup PC func"}));
  EXPECT_EQ(Pairs(xbString.GetExtendedRows()), (RowPairs{{"none", ""}}));
  EXPECT_EQ(Items(pipe.GetExtendedRows()),
            (std::vector<std::string>{"Read Multiplier", "Read Constant", "Write Multiplier", "Write Constant"}));
  EXPECT_EQ(Items(mode.GetExtendedRows()), (std::vector<std::string>{"Mode", "Request", "WaitTime", "ErrorCode"}));
  EXPECT_EQ(Items(status.GetExtendedRows()), (std::vector<std::string>{"Return", "Bit0:", "Bit1:", "Bit2:"}));
  const std::uint8_t* c = configuration.GetRecord();
  EXPECT_EQ(c[0], 0xFF);
  EXPECT_EQ(c[1], 0x00);
}

TEST(UsbVendorRequestNodesStrings, XbStringWalk) {
  int port = 2;
  auto node = std::make_unique<CXBStringDescriptorNode>(&port);
  node->Reset();
  std::uint8_t* r = node->GetRecord();
  // A single zero byte is skipped, two in a row end the text.
  const std::uint8_t bytes[] = {0x0C, 0x03, 'A', 0, 'B', 'C', 0, 0, 'D', 0};
  std::memcpy(r, bytes, sizeof bytes);
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"String", "ABC"}}));
  // No double zero anywhere: the record's end ends the text, a zero in the last byte included.
  for (int i = 2; i < 256; ++i) r[i] = 'Z';
  EXPECT_EQ(node->GetExtendedRows()[0].value, std::string(254, 'Z'));
  r[255] = 0;
  EXPECT_EQ(node->GetExtendedRows()[0].value, std::string(253, 'Z'));
}

TEST(UsbVendorRequestNodesReads, FailedQueriesKeepTheResetValue) {
  FakeDriverScope scope;
  int port = 2;
  CPowerSaveNode power(&port);
  CXBConfigurationDescriptorNode configuration(&port);
  CXBStringDescriptorNode xbString(&port);
  CPipeTimeOutNode pipe(&port);
  CTimeOutModeNode mode(&port);
  CXBStatusNode status(&port);
  for (CTreeNode* node : std::vector<CTreeNode*>{&power, &configuration, &xbString, &pipe, &mode, &status}) {
    node->Reset();
    EXPECT_EQ(node->ReadExtended(), 0);
    EXPECT_TRUE(AllValuesEmpty(node->GetExtendedRows()));
  }
  EXPECT_EQ(scope.driver().calls().size(), 6u);
}

}  // namespace
}  // namespace qx
