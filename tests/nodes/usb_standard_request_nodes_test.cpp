#include "utility/nodes/usb_standard_request_nodes.h"

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

// A high-speed USB 2.0 scanner as its driver would describe it.
const Bytes kDeviceDescriptor = {0x12, 0x01, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x40, 0x90,
                                 0x1D, 0x00, 0x70, 0x03, 0x01, 0x01, 0x02, 0x03, 0x01};

// Configuration (self powered, remote wake-up, 100 mA), one vendor interface, four endpoints:
// bulk IN 1, bulk OUT 2, interrupt IN 3, bulk OUT 4.
const Bytes kConfigurationSet = {
    0x09, 0x02, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xE0, 0x32,  //
    0x09, 0x04, 0x00, 0x00, 0x04, 0xFF, 0x00, 0x00, 0x00,  //
    0x07, 0x05, 0x81, 0x02, 0x00, 0x02, 0x00,              //
    0x07, 0x05, 0x02, 0x02, 0x00, 0x02, 0x00,              //
    0x07, 0x05, 0x83, 0x03, 0x08, 0x00, 0x0A,              //
    0x07, 0x05, 0x04, 0x02, 0x00, 0x02, 0x00};

// The same at full speed: bus powered, 64-byte packets.
const Bytes kOtherSpeedSet = {
    0x09, 0x07, 0x2E, 0x00, 0x01, 0x01, 0x00, 0x80, 0x32,  //
    0x09, 0x04, 0x00, 0x00, 0x04, 0xFF, 0x00, 0x00, 0x00,  //
    0x07, 0x05, 0x81, 0x02, 0x40, 0x00, 0x00,              //
    0x07, 0x05, 0x02, 0x02, 0x40, 0x00, 0x00,              //
    0x07, 0x05, 0x83, 0x03, 0x08, 0x00, 0x20,              //
    0x07, 0x05, 0x04, 0x02, 0x40, 0x00, 0x00};

const Bytes kQualifier = {0x0A, 0x06, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x40, 0x01, 0x00};

Bytes StringDescriptors() {
  Bytes b = {0x04, 0x03, 0x09, 0x04};
  auto add = [&b](const char* text) {
    b.push_back(static_cast<std::uint8_t>(2 + 2 * std::strlen(text)));
    b.push_back(0x03);
    for (const char* c = text; *c != 0; ++c) {
      b.push_back(static_cast<std::uint8_t>(*c));
      b.push_back(0);
    }
  };
  add("NORVA");
  add("QX-R7000");
  add("A1B2C3");
  b.resize(512, 0);
  return b;
}

class UsbStandardRequestNodes : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& d = scope_.driver();
    d.Answer(qxusb::kGetDeviceDescriptor, kDeviceDescriptor);
    d.Answer(qxusb::kGetConfigurationDescriptor, kConfigurationSet);
    d.Answer(qxusb::kGetOtherSpeedConfiguration, kOtherSpeedSet);
    d.Answer(qxusb::kGetStringDescriptors, StringDescriptors());
    d.Answer(qxusb::kGetDeviceQualifier, kQualifier);
    d.Answer(qxusb::kGetDeviceStatus, {0x01, 0x00});
  }

  template <class Node>
  std::unique_ptr<Node> ReadNode() {
    auto node = std::make_unique<Node>(&port_);
    node->Reset();
    EXPECT_EQ(node->ReadExtended(), 1);
    return node;
  }

  int port_ = 2;
  FakeDriverScope scope_;
};

TEST_F(UsbStandardRequestNodes, DeviceDescriptorRows) {
  auto node = ReadNode<CDeviceDescriptorNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"bLength", "18"},
                                                      {"bDescriptorType", "1"},
                                                      {"bcdUSB", "0200H"},
                                                      {"bDeviceClass", "255"},
                                                      {"bDeviceSubClass", "0"},
                                                      {"bDeviceProtocol", "0"},
                                                      {"bMaxPacketSize0", "64"},
                                                      {"idVendor", "1D90H"},
                                                      {"idProduct", "7000H"},
                                                      {"bcdDevice", "0103H"},
                                                      {"iManufacturer", "1"},
                                                      {"iProduct", "2"},
                                                      {"iSerialNumber", "3"},
                                                      {"bNumConfigurations", "1"}}));
  EXPECT_TRUE(node->GetRows().empty());
  EXPECT_EQ(scope_.lastPort(), 2);
  ASSERT_EQ(scope_.driver().calls().size(), 1u);
  EXPECT_EQ(scope_.driver().calls()[0].handle, FakeDriverScope::kHandle);
  EXPECT_EQ(scope_.driver().calls()[0].outputSize, 18u);
}

TEST_F(UsbStandardRequestNodes, ConfigurationRowsWithSelfPowerAndRemoteWakeUp) {
  auto node = ReadNode<CConfigurationDescriptorNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"bLength", "9"},
                                                      {"bDescriptorType", "2"},
                                                      {"wTotalLength", "46"},
                                                      {"bNumInterfaces", "1"},
                                                      {"bConfigurationValue", "1"},
                                                      {"iConfiguration", "0"},
                                                      {"bmAttributes", "000000E0"},
                                                      {"bmAttributes", "d6:SelfPower"},
                                                      {"bmAttributes", "d5:RemoteWakeUp"},
                                                      {"MaxPower", "100 mA"}}));
}

TEST_F(UsbStandardRequestNodes, ConfigurationSetIsAskedForNineBytesThenItsTotalLength) {
  ReadNode<CEndPointDescriptorNode>();
  const auto& calls = scope_.driver().calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].code, qxusb::kGetConfigurationDescriptor);
  EXPECT_EQ(calls[0].outputSize, 9u);
  EXPECT_EQ(calls[1].code, qxusb::kGetConfigurationDescriptor);
  EXPECT_EQ(calls[1].outputSize, 46u);
}

TEST_F(UsbStandardRequestNodes, InterfaceRows) {
  auto node = ReadNode<CInterfaceDescriptorNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"bLength", "9"},
                                                      {"bDescriptorType", "4"},
                                                      {"bInterfaceNumber", "0"},
                                                      {"bAlternateSetting", "0"},
                                                      {"bNumEndpoints", "4"},
                                                      {"bInterfaceClass", "255"},
                                                      {"bInterfaceSubClass", "0"},
                                                      {"bInterfaceProtocol", "0"},
                                                      {"iInterface", "0"}}));
}

TEST_F(UsbStandardRequestNodes, EndpointRowsListAllFourEntries) {
  auto node = ReadNode<CEndPointDescriptorNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()),
            (RowPairs{{"bLength", "7"},           {"bDescriptorType", "5"},
                      {"bEndpointAddress", "EP:1"}, {"bEndpointAddress", "d7:IN"},
                      {"bmAttributes", "2"},      {"bmAttributes", "d0-1: Bulk"},
                      {"wMaxPacketSize", "512"},  {"bInterval", "0"},
                      {"", ""},                   {"bLength", "7"},
                      {"bDescriptorType", "5"},   {"bEndpointAddress", "EP:2"},
                      {"bEndpointAddress", "d7:OUT"}, {"bmAttributes", "2"},
                      {"bmAttributes", "d0-1: Bulk"}, {"wMaxPacketSize", "512"},
                      {"bInterval", "0"},         {"", ""},
                      {"bLength", "7"},           {"bDescriptorType", "5"},
                      {"bEndpointAddress", "EP:3"}, {"bEndpointAddress", "d7:IN"},
                      {"bmAttributes", "3"},      {"bmAttributes", "d0-1: Interrupt"},
                      {"wMaxPacketSize", "8"},    {"bInterval", "10"},
                      {"", ""},                   {"bLength", "7"},
                      {"bDescriptorType", "5"},   {"bEndpointAddress", "EP:4"},
                      {"bEndpointAddress", "d7:OUT"}, {"bmAttributes", "2"},
                      {"bmAttributes", "d0-1: Bulk"}, {"wMaxPacketSize", "512"},
                      {"bInterval", "0"},         {"", ""}}));
}

TEST_F(UsbStandardRequestNodes, StringDescriptorRows) {
  auto node = ReadNode<CStringDescriptorNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"bLength", "4"},
                                                      {"bDescriptor", "3"},
                                                      {"wLANGID[0]", "9"},
                                                      {"wLANGID[1]", "4"},
                                                      {"", ""},
                                                      {"bLength", "12"},
                                                      {"bDescriptorType", "3"},
                                                      {"bString", "NORVA"},
                                                      {"", ""},
                                                      {"bLength", "18"},
                                                      {"bDescriptorType", "3"},
                                                      {"bString", "QX-R7000"},
                                                      {"", ""},
                                                      {"bLength", "14"},
                                                      {"bDescriptorType", "3"},
                                                      {"bString", "A1B2C3"}}));
  EXPECT_EQ(scope_.driver().calls()[0].outputSize, 512u);
}

TEST_F(UsbStandardRequestNodes, QualifierRows) {
  auto node = ReadNode<CDeviceQualifierDescriptorNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"bLength", "10"},
                                                      {"bDescriptorType", "6"},
                                                      {"bcdUSB", "0200H"},
                                                      {"bDeviceClass", "255"},
                                                      {"bDeviceSubClass", "0"},
                                                      {"bDeviceProtocol", "0"},
                                                      {"bMaxPacketSize0", "64"},
                                                      {"bNumConfigurations", "1"}}));
  EXPECT_EQ(scope_.driver().calls()[0].outputSize, 9u);
}

TEST_F(UsbStandardRequestNodes, OtherSpeedRows) {
  auto configuration = ReadNode<COtherSpeedConfigurationDescriptorNode>();
  EXPECT_EQ(Pairs(configuration->GetExtendedRows()), (RowPairs{{"bLength", "9"},
                                                               {"bDescriptorType", "7"},
                                                               {"wTotalLength", "46"},
                                                               {"bNumInterfaces", "1"},
                                                               {"bConfigurationValue", "1"},
                                                               {"iConfiguration", "0"},
                                                               {"bmAttributes", "00000080"},
                                                               {"bmAttributes", "d7:BusPower"},
                                                               {"MaxPower", "100 mA"}}));
  auto interface = ReadNode<COtherSpeedInterfaceDescriptorNode>();
  EXPECT_EQ(Pairs(interface->GetExtendedRows()), (RowPairs{{"bLength", "9"},
                                                           {"bDescriptorType", "4"},
                                                           {"bInterfaceNumber", "0"},
                                                           {"bAlternateSetting", "0"},
                                                           {"bNumEndpoints", "4"},
                                                           {"bInterfaceClass", "255"},
                                                           {"bInterfaceSubClass", "0"},
                                                           {"bInterfaceProtocol", "0"},
                                                           {"iInterface", "0"}}));
  auto endpoints = ReadNode<COtherSpeedEndPointDescriptorNode>();
  EXPECT_EQ(Pairs(endpoints->GetExtendedRows()),
            (RowPairs{{"bLength", "7"},           {"bDescriptorType", "5"},
                      {"bEndpointAddress", "EP:1"}, {"bEndpointAddress", "d7:IN"},
                      {"bmAttributes", "2"},      {"bmAttributes", "d0-1: Bulk"},
                      {"wMaxPacketSize", "64"},   {"bInterval", "0"},
                      {"", ""},                   {"bLength", "7"},
                      {"bDescriptorType", "5"},   {"bEndpointAddress", "EP:2"},
                      {"bEndpointAddress", "d7:OUT"}, {"bmAttributes", "2"},
                      {"bmAttributes", "d0-1: Bulk"}, {"wMaxPacketSize", "64"},
                      {"bInterval", "0"},         {"", ""},
                      {"bLength", "7"},           {"bDescriptorType", "5"},
                      {"bEndpointAddress", "EP:3"}, {"bEndpointAddress", "d7:IN"},
                      {"bmAttributes", "3"},      {"bmAttributes", "d0-1: Interrupt"},
                      {"wMaxPacketSize", "8"},    {"bInterval", "32"},
                      {"", ""},                   {"bLength", "7"},
                      {"bDescriptorType", "5"},   {"bEndpointAddress", "EP:4"},
                      {"bEndpointAddress", "d7:OUT"}, {"bmAttributes", "2"},
                      {"bmAttributes", "d0-1: Bulk"}, {"wMaxPacketSize", "64"},
                      {"bInterval", "0"},         {"", ""}}));
  for (const auto& call : scope_.driver().calls()) EXPECT_EQ(call.code, qxusb::kGetOtherSpeedConfiguration);
}

TEST_F(UsbStandardRequestNodes, DeviceStatusRows) {
  auto node = ReadNode<CDeviceStatusNode>();
  EXPECT_EQ(Pairs(node->GetExtendedRows()),
            (RowPairs{{"Return", "0x0001"}, {"Remote wakeup", "Disabled"}, {"Self/Bus power", "Self power"}}));
  scope_.driver().Answer(qxusb::kGetDeviceStatus, {0x03, 0x00});
  node->Reset();
  ASSERT_EQ(node->ReadExtended(), 1);
  EXPECT_EQ(Pairs(node->GetExtendedRows()),
            (RowPairs{{"Return", "0x0003"}, {"Remote wakeup", "Enabled"}, {"Self/Bus power", "Self power"}}));
  scope_.driver().Answer(qxusb::kGetDeviceStatus, {0x00, 0x00});
  ASSERT_EQ(node->ReadExtended(), 1);
  EXPECT_EQ(Pairs(node->GetExtendedRows()),
            (RowPairs{{"Return", "0x0000"}, {"Remote wakeup", "Disabled"}, {"Self/Bus power", "Bus power"}}));
}

// Reset markers: all zero bytes (0xFFFF for the status word) keep the labels with empty values.
TEST(UsbStandardRequestNodesUnread, ResetRecordsGiveLabelsWithEmptyValues) {
  int port = 2;
  CDeviceDescriptorNode device(&port);
  CConfigurationDescriptorNode configuration(&port);
  CInterfaceDescriptorNode interface(&port);
  CEndPointDescriptorNode endpoints(&port);
  CStringDescriptorNode strings(&port);
  CDeviceQualifierDescriptorNode qualifier(&port);
  COtherSpeedConfigurationDescriptorNode otherConfiguration(&port);
  COtherSpeedInterfaceDescriptorNode otherInterface(&port);
  COtherSpeedEndPointDescriptorNode otherEndpoints(&port);
  CDeviceStatusNode status(&port);
  std::vector<CTreeNode*> all = {&device,     &configuration,      &interface,      &endpoints,      &strings,
                                 &qualifier, &otherConfiguration, &otherInterface, &otherEndpoints, &status};
  for (CTreeNode* node : all) {
    std::memset(node->GetRecord(), 0x5A, node->RecordSize());
    node->Reset();
    EXPECT_TRUE(AllValuesEmpty(node->GetExtendedRows()));
    EXPECT_TRUE(node->GetRows().empty());
  }
  const std::uint8_t* s = status.GetRecord();
  EXPECT_EQ(s[0], 0xFF);
  EXPECT_EQ(s[1], 0xFF);
  EXPECT_EQ(device.GetExtendedRows().size(), 14u);
  EXPECT_EQ(Items(configuration.GetExtendedRows()),
            (std::vector<std::string>{"bLength", "bDescriptorType", "wTotalLength", "bNumInterfaces",
                                      "bConfigurationValue", "iConfiguration", "bmAttributes", "MaxPower"}));
  EXPECT_EQ(Items(otherConfiguration.GetExtendedRows()), Items(configuration.GetExtendedRows()));
  EXPECT_EQ(interface.GetExtendedRows().size(), 9u);
  EXPECT_EQ(qualifier.GetExtendedRows().size(), 8u);
  EXPECT_EQ(Items(strings.GetExtendedRows()), (std::vector<std::string>{"bLength", "bDescriptor"}));
  EXPECT_EQ(Items(status.GetExtendedRows()),
            (std::vector<std::string>{"Return", "Remote wakeup", "Self/Bus power"}));
  const std::vector<std::string> endpointLabels = {"bLength",      "bDescriptorType", "bEndpointAddress",
                                                   "bEndpointAddress", "bmAttributes", "bmAttributes",
                                                   "wMaxPacketSize", "bInterval"};
  EXPECT_EQ(Items(endpoints.GetExtendedRows()), endpointLabels);
  EXPECT_EQ(Items(otherEndpoints.GetExtendedRows()), endpointLabels);
}

TEST(UsbStandardRequestNodesUnread, EndpointRecordWithZeroFirstEntryShowsEightEmptyRows) {
  int port = 2;
  CEndPointDescriptorNode node(&port);
  node.Reset();
  std::uint8_t* r = node.GetRecord();
  const std::uint8_t later[] = {0x07, 0x05, 0x81, 0x02, 0x00, 0x02, 0x00};
  std::memcpy(r + 7, later, sizeof later);
  std::memcpy(r + 21, later, sizeof later);
  RowList rows = node.GetExtendedRows();
  EXPECT_EQ(rows.size(), 8u);
  EXPECT_TRUE(AllValuesEmpty(rows));
}

TEST(UsbStandardRequestNodesEndpoints, ControlAndIsochronousTypesAndZeroEntries) {
  int port = 2;
  CEndPointDescriptorNode node(&port);
  node.Reset();
  const std::uint8_t first[] = {0x07, 0x05, 0x8F, 0x01, 0xFF, 0x03, 0x01};
  const std::uint8_t second[] = {0x07, 0x05, 0x00, 0x00, 0x40, 0x00, 0x00};
  std::memcpy(node.GetRecord(), first, sizeof first);
  std::memcpy(node.GetRecord() + 7, second, sizeof second);
  RowList rows = node.GetExtendedRows();
  ASSERT_EQ(rows.size(), 36u);
  EXPECT_EQ(Pairs(RowList(rows.begin(), rows.begin() + 18)),
            (RowPairs{{"bLength", "7"},           {"bDescriptorType", "5"},
                      {"bEndpointAddress", "EP:15"}, {"bEndpointAddress", "d7:IN"},
                      {"bmAttributes", "1"},      {"bmAttributes", "d0-1: Isochronous"},
                      {"wMaxPacketSize", "1023"}, {"bInterval", "1"},
                      {"", ""},                   {"bLength", "7"},
                      {"bDescriptorType", "5"},   {"bEndpointAddress", "EP:0"},
                      {"bEndpointAddress", "d7:OUT"}, {"bmAttributes", "0"},
                      {"bmAttributes", "d0-1: Control"}, {"wMaxPacketSize", "64"},
                      {"bInterval", "0"},         {"", ""}}));
  // Entries that are zero are listed too once the first one holds data.
  EXPECT_EQ(rows[27].value, "0");
  EXPECT_EQ(rows[29].value, "EP:0");
  EXPECT_EQ(rows[30].value, "d7:OUT");
}

TEST(UsbStandardRequestNodesUnread, ConfigurationIsUnreadOnlyWhenAllNineBytesAreZero) {
  int port = 2;
  CConfigurationDescriptorNode node(&port);
  node.Reset();
  node.GetRecord()[8] = 0x01;  // only MaxPower set: read, bus powered
  RowList rows = node.GetExtendedRows();
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[6].value, "00000000");
  EXPECT_EQ(rows[7].value, "d7:BusPower");
  EXPECT_EQ(rows[8].value, "2 mA");
}

TEST(UsbStandardRequestNodesStrings, LanguageIdsAreSignedBytes) {
  int port = 2;
  CStringDescriptorNode node(&port);
  node.Reset();
  const std::uint8_t bytes[] = {0x06, 0x03, 0x09, 0x04, 0x80, 0xFF};
  std::memcpy(node.GetRecord(), bytes, sizeof bytes);
  RowList rows = node.GetExtendedRows();
  ASSERT_GE(rows.size(), 6u);
  EXPECT_EQ(Pairs(RowList(rows.begin(), rows.begin() + 6)),
            (RowPairs{{"bLength", "6"},
                      {"bDescriptor", "3"},
                      {"wLANGID[0]", "9"},
                      {"wLANGID[1]", "4"},
                      {"wLANGID[2]", "-128"},
                      {"wLANGID[3]", "-1"}}));
}

TEST(UsbStandardRequestNodesStrings, ZeroLengthDescriptorEndsTheListAfterItsRows) {
  int port = 2;
  CStringDescriptorNode node(&port);
  node.Reset();
  const std::uint8_t bytes[] = {0x04, 0x03, 0x09, 0x04, 0x06, 0x03, 'H', 0, 'i', 0, 0x00, 0x03, 0x04, 0x03, 'X', 0};
  std::memcpy(node.GetRecord(), bytes, sizeof bytes);
  EXPECT_EQ(Pairs(node.GetExtendedRows()), (RowPairs{{"bLength", "4"},
                                                     {"bDescriptor", "3"},
                                                     {"wLANGID[0]", "9"},
                                                     {"wLANGID[1]", "4"},
                                                     {"", ""},
                                                     {"bLength", "6"},
                                                     {"bDescriptorType", "3"},
                                                     {"bString", "Hi"},
                                                     {"", ""},
                                                     {"bLength", "0"},
                                                     {"bDescriptorType", "3"},
                                                     {"bString", ""}}));
}

TEST(UsbStandardRequestNodesStrings, StringTakesLowBytesUpToAZeroByte) {
  int port = 2;
  CStringDescriptorNode node(&port);
  node.Reset();
  // "Ab" with a high byte set, then U+0100 (low byte zero) and "C"; an odd bLength of 9 counts
  // three characters.
  const std::uint8_t bytes[] = {0x04, 0x03, 0x09, 0x04, 0x09, 0x03, 'A', 0, 'b', 0x30, 0x00, 0x01, 'C', 0};
  std::memcpy(node.GetRecord(), bytes, sizeof bytes);
  RowList rows = node.GetExtendedRows();
  ASSERT_GE(rows.size(), 8u);
  EXPECT_EQ(rows[5].value, "9");
  EXPECT_EQ(rows[7].value, "Ab");
  node.GetRecord()[10] = 'z';
  EXPECT_EQ(node.GetExtendedRows()[7].value, "Abz");
}

// A language descriptor of 255 bytes and a second string starting at byte 510 whose characters
// would lie behind the record: the walk stops at byte 512.
TEST(UsbStandardRequestNodesStrings, WalkStopsAtTheEndOfTheRecord) {
  int port = 2;
  auto node = std::make_unique<CStringDescriptorNode>(&port);
  node->Reset();
  std::uint8_t* r = node->GetRecord();
  r[0] = 0xFF;
  r[1] = 0x03;
  for (int i = 2; i < 255; ++i) r[i] = 0x01;
  r[255] = 0xFF;
  r[256] = 0x03;
  for (int i = 257; i < 510; i += 2) r[i] = 'a';
  r[510] = 0x20;
  r[511] = 0x03;
  RowList rows = node->GetExtendedRows();
  ASSERT_EQ(rows.size(), 2u + 253u + 4u + 4u);
  EXPECT_EQ(rows[2 + 252].item, "wLANGID[252]");
  EXPECT_EQ(rows[2 + 253 + 3].value, std::string(126, 'a'));
  EXPECT_EQ(rows[2 + 253 + 5].value, "32");
  EXPECT_EQ(rows[2 + 253 + 7].value, "");

  // A third descriptor that would begin at the record's last byte is not listed.
  r[510] = 0x01;
  rows = node->GetExtendedRows();
  EXPECT_EQ(rows.size(), 2u + 253u + 4u + 4u);
  r[255] = 0xFF;
  r[510] = 0xFF;
  rows = node->GetExtendedRows();
  EXPECT_EQ(rows.back().item, "bString");
}

class UsbStandardRequestReadFailures : public ::testing::Test {
 protected:
  int port_ = 2;
  FakeDriverScope scope_;
};

TEST_F(UsbStandardRequestReadFailures, FailedQueryLeavesTheResetRecord) {
  CDeviceDescriptorNode device(&port_);
  CStringDescriptorNode strings(&port_);
  CDeviceQualifierDescriptorNode qualifier(&port_);
  CDeviceStatusNode status(&port_);
  CConfigurationDescriptorNode configuration(&port_);
  COtherSpeedEndPointDescriptorNode otherEndpoints(&port_);
  for (CTreeNode* node : std::vector<CTreeNode*>{&device, &strings, &qualifier, &status, &configuration,
                                                 &otherEndpoints}) {
    node->Reset();
    std::vector<std::uint8_t> before(node->GetRecord(), node->GetRecord() + node->RecordSize());
    EXPECT_EQ(node->ReadExtended(), 0);
    EXPECT_EQ(std::vector<std::uint8_t>(node->GetRecord(), node->GetRecord() + node->RecordSize()), before);
    EXPECT_TRUE(AllValuesEmpty(node->GetExtendedRows()));
  }
}

TEST_F(UsbStandardRequestReadFailures, QueriesGoToThePortTheNodePointsAt) {
  scope_.driver().Answer(qxusb::kGetDeviceStatus, {0x00, 0x00});
  CDeviceStatusNode status(&port_);
  port_ = 7;
  status.Reset();
  EXPECT_EQ(status.ReadExtended(), 1);
  EXPECT_EQ(scope_.lastPort(), 7);
}

TEST_F(UsbStandardRequestReadFailures, WithoutARouteEveryQueryFails) {
  SetDriverControlRoute(nullptr);
  CDeviceDescriptorNode device(&port_);
  device.Reset();
  EXPECT_EQ(device.ReadExtended(), 0);
}

// The second call of a set read is not checked: its bytes come from the zeroed buffer.
TEST_F(UsbStandardRequestReadFailures, FailedSecondSetCallGivesZeroBytes) {
  scope_.driver().AnswerInTurn(qxusb::kGetConfigurationDescriptor, {{true, kConfigurationSet}, {false, {}}});
  CInterfaceDescriptorNode interface(&port_);
  std::memset(interface.GetRecord(), 0x5A, interface.RecordSize());
  EXPECT_EQ(interface.ReadExtended(), 1);
  EXPECT_TRUE(AllValuesEmpty(interface.GetExtendedRows()));
}

// wTotalLength says 46 but the second answer stops after 20 bytes: the endpoints get bytes 18-19
// and zeros, nothing from behind the answer.
TEST_F(UsbStandardRequestReadFailures, ShortSetIsNeverReadPastItsEnd) {
  Bytes shortSet(kConfigurationSet.begin(), kConfigurationSet.begin() + 20);
  scope_.driver().AnswerInTurn(qxusb::kGetConfigurationDescriptor, {{true, kConfigurationSet}, {true, shortSet}});
  CEndPointDescriptorNode endpoints(&port_);
  endpoints.Reset();
  ASSERT_EQ(endpoints.ReadExtended(), 1);
  const std::uint8_t* r = endpoints.GetRecord();
  EXPECT_EQ(r[0], 0x07);
  EXPECT_EQ(r[1], 0x05);
  for (int i = 2; i < 28; ++i) EXPECT_EQ(r[i], 0) << "byte " << i;
}

// A set whose wTotalLength (12) is shorter than the bytes the nodes copy, from a driver that
// would give more: the interface gets 3 bytes, the endpoints none.
TEST_F(UsbStandardRequestReadFailures, TotalLengthShorterThanTheCopiedBytes) {
  Bytes set = kConfigurationSet;
  set[2] = 12;
  scope_.driver().Answer(qxusb::kGetConfigurationDescriptor, set);
  CInterfaceDescriptorNode interface(&port_);
  interface.Reset();
  ASSERT_EQ(interface.ReadExtended(), 1);
  const std::uint8_t expected[9] = {0x09, 0x04, 0x00, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(interface.GetRecord(), expected, 9), 0);
  CEndPointDescriptorNode endpoints(&port_);
  endpoints.Reset();
  ASSERT_EQ(endpoints.ReadExtended(), 1);
  EXPECT_EQ(endpoints.GetExtendedRows().size(), 8u);
  EXPECT_EQ(scope_.driver().calls().back().outputSize, 12u);
}

// A driver claiming more bytes than the buffer held is taken at the buffer's size.
TEST_F(UsbStandardRequestReadFailures, OverstatedCountIsBoundedByTheBuffer) {
  Bytes set(kConfigurationSet.begin(), kConfigurationSet.begin() + 20);
  set[2] = 20;
  scope_.driver().Answer(qxusb::kGetConfigurationDescriptor, set);
  scope_.driver().OverstateReturned(100);
  CEndPointDescriptorNode endpoints(&port_);
  endpoints.Reset();
  ASSERT_EQ(endpoints.ReadExtended(), 1);
  const std::uint8_t* r = endpoints.GetRecord();
  EXPECT_EQ(r[0], 0x07);
  for (int i = 2; i < 28; ++i) EXPECT_EQ(r[i], 0) << "byte " << i;
}

}  // namespace
}  // namespace qx
