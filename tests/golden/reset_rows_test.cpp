// The rows of every one of the 35 device-tree nodes, as the document creates them, after Reset:
// labels kept, empty values, the words "none" and "not set" only where a node's rules name them,
// and fewer rows only where they say so. One table for all classes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "utility/shell/info_document.h"
#include "utility/shell/node_class.h"
#include "utility/shell/run_mode.h"

namespace qx {
namespace {

struct ResetRows {
  NodeClass node;
  std::vector<Row> rows;
};

std::vector<Row> Empty(std::initializer_list<const char*> items) {
  std::vector<Row> rows;
  for (const char* item : items) rows.push_back(Row{item, ""});
  return rows;
}

std::vector<Row> Same(std::initializer_list<const char*> items, const char* value) {
  std::vector<Row> rows;
  for (const char* item : items) rows.push_back(Row{item, value});
  return rows;
}

const std::vector<Row> kEndpointRows = Empty({"bLength", "bDescriptorType", "bEndpointAddress", "bEndpointAddress",
                                              "bmAttributes", "bmAttributes", "wMaxPacketSize", "bInterval"});
const std::vector<Row> kConfigurationRows = Empty({"bLength", "bDescriptorType", "wTotalLength", "bNumInterfaces",
                                                   "bConfigurationValue", "iConfiguration", "bmAttributes", "MaxPower"});
const std::vector<Row> kInterfaceRows =
    Empty({"bLength", "bDescriptorType", "bInterfaceNumber", "bAlternateSetting", "bNumEndpoints", "bInterfaceClass",
           "bInterfaceSubClass", "bInterfaceProtocol", "iInterface"});
const std::vector<Row> kCalibrationValueRows = Empty(
    {"AFE offset", "AFE gain", "AFE voltage", "Shading correction", "LED lightening", "LED emission time"});

std::vector<Row> SensorStatusRows() {
  // The fresh node's device copy is unread; its pocket count 0xFF counts as two or more.
  std::vector<Row> rows = Same({"ASF detector", "Paper length detector", "Middle detector", "Franking detector"}, "none");
  for (const Row& r : Empty({"Eject detector", "Hopper position sensor", "Stamp position sensor",
                             "Separation plate position sensor", "Main pocket near full sensor",
                             "Sub pocket near full sensor", "Insertion waiting of paper"})) {
    rows.push_back(r);
  }
  return rows;
}

std::vector<Row> SystemRows() {
  std::vector<Row> rows = Empty({"OS name", "OS version", "OS language", "QX-R7000 driver", "USB host controller",
                                 "Processor", "Number of processors"});
  rows.push_back(Row{"Memory capacity", "none"});
  rows.push_back(Row{"QX-R7000 Utility", ""});
  return rows;
}

const std::vector<ResetRows>& Table() {
  static const std::vector<ResetRows> table = {
      {NodeClass::kDevice,
       Empty({"Device name", "Firmware version", "Interface", "Company name", "Serial no.", "Speed", "Remote wake up",
              "Franker", "Number of pockets", "Scanner type", "Waterfall mode", "Original version", "Boot mode",
              "Calibration information"})},
      {NodeClass::kSensorStatus, SensorStatusRows()},
      {NodeClass::kADConverter,
       Same({"Voltage", "Paper length detector", "Middle detector", "Franking detector", "Eject detector",
             "Double-Feed sensor"},
            "none")},
      {NodeClass::kNORVANV, Empty({"#1", "#2", "#3", "#4", "#5", "#6", "#7", "#8", "#9"})},
      {NodeClass::kMaintenanceCounter, Same({"Hour", "Scan", "Hopper", "Franking", "Pocket"}, "none/none")},
      {NodeClass::kThresholdValue,
       Same({"ASF detector", "Paper length detector", "Middle detector", "Franking detector", "Eject detector",
             "Double-feed(Paper not present)", "Double-feed(Paper present)", "Difference of CIS", "SPI Information"},
            "none")},
      {NodeClass::kFaceCalibrationValue, kCalibrationValueRows},
      {NodeClass::kBackCalibrationValue, kCalibrationValueRows},
      {NodeClass::kOtherCalibrationValue, Empty({"Calibration status", "Error factor"})},
      {NodeClass::kErrorHistory, {}},
      {NodeClass::kSystem, SystemRows()},
      {NodeClass::kAPIDriver, {Row{"Driver module", "Not installed"}}},
      {NodeClass::kDotNetFramework, {}},
      {NodeClass::kUSBDriverStack,
       Empty({"qxusbxp.sys", "qxusb64.sys", "usbehci.sys", "usbuhci.sys", "usbohci.sys", "uhcd.sys", "openhci.sys",
              "usbd.sys", "usbhub.sys", "usbhub20.sys", "usbport.sys", "usbui.dll", "hccoin.dll"})},
      {NodeClass::kDeviceDescriptor,
       Empty({"bLength", "bDescriptorType", "bcdUSB", "bDeviceClass", "bDeviceSubClass", "bDeviceProtocol",
              "bMaxPacketSize0", "idVendor", "idProduct", "bcdDevice", "iManufacturer", "iProduct", "iSerialNumber",
              "bNumConfigurations"})},
      {NodeClass::kConfigurationDescriptor, kConfigurationRows},
      {NodeClass::kInterfaceDescriptor, kInterfaceRows},
      {NodeClass::kEndPointDescriptor, kEndpointRows},
      {NodeClass::kStringDescriptor, Empty({"bLength", "bDescriptor"})},
      {NodeClass::kDeviceQualifierDescriptor,
       Empty({"bLength", "bDescriptorType", "bcdUSB", "bDeviceClass", "bDeviceSubClass", "bDeviceProtocol",
              "bMaxPacketSize0", "bNumConfigurations"})},
      {NodeClass::kOtherSpeedConfigurationDescriptor, kConfigurationRows},
      {NodeClass::kOtherSpeedInterfaceDescriptor, kInterfaceRows},
      {NodeClass::kOtherSpeedEndPointDescriptor, kEndpointRows},
      {NodeClass::kDeviceStatus, Empty({"Return", "Remote wakeup", "Self/Bus power"})},
      {NodeClass::kPowerSave, Empty({"ResumeTime", "App Suspend"})},
      {NodeClass::kQXUSB, Empty({"Major version", "Minor version"})},
      {NodeClass::kXBConfigurationDescriptor,
       Empty({"Device", "XBFlowControl", "TYPE", "USB Speed", "USB Suspend/Resume func", "Device wakeup PC func"})},
      {NodeClass::kXBStringDescriptor, Empty({"none"})},
      {NodeClass::kPipeTimeOut, Empty({"Read Multiplier", "Read Constant", "Write Multiplier", "Write Constant"})},
      {NodeClass::kTimeOutMode, Empty({"Mode", "Request", "WaitTime", "ErrorCode"})},
      {NodeClass::kXBStatus, Empty({"Return", "Bit0:", "Bit1:", "Bit2:"})},
  };
  return table;
}

const NodeClass kReferenceTables[] = {NodeClass::kFaceCalibrationBrightness, NodeClass::kFaceCalibrationDarkness,
                                      NodeClass::kBackCalibrationBrightness, NodeClass::kBackCalibrationDarkness};

class ResetRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    document_.BuildDeviceTree(kRunModeBatch);
    for (int i = 0; i < kNodeClassCount; ++i) {
      CTreeNode* node = document_.DeviceNode(static_cast<NodeClass>(i));
      ASSERT_NE(node, nullptr) << i;
      node->Reset();
    }
  }
  RowList Rows(NodeClass node) { return InfoDocument::RowsOf(document_.DeviceNode(node), kRunModeExtended); }

  InfoDocument document_{nullptr};
};

TEST_F(ResetRowsTest, TableNamesEveryClassOnce) {
  std::vector<int> seen(kNodeClassCount, 0);
  for (const ResetRows& r : Table()) ++seen[static_cast<int>(r.node)];
  for (NodeClass n : kReferenceTables) ++seen[static_cast<int>(n)];
  for (int i = 0; i < kNodeClassCount; ++i) EXPECT_EQ(seen[i], 1) << "class " << i;
}

TEST_F(ResetRowsTest, EveryNodeShowsItsResetRows) {
  for (const ResetRows& r : Table()) {
    SCOPED_TRACE("class " + std::to_string(static_cast<int>(r.node)));
    RowList actual = Rows(r.node);
    ASSERT_EQ(actual.size(), r.rows.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
      EXPECT_EQ(actual[i].item, r.rows[i].item) << "row " << i + 1;
      EXPECT_EQ(actual[i].value, r.rows[i].value) << "row " << i + 1 << " " << actual[i].item;
    }
  }
}

TEST_F(ResetRowsTest, ReferenceTablesShow816NumberedEmptyRows) {
  for (NodeClass n : kReferenceTables) {
    SCOPED_TRACE("class " + std::to_string(static_cast<int>(n)));
    RowList actual = Rows(n);
    ASSERT_EQ(actual.size(), 816u);
    EXPECT_EQ(actual[0].item, "001");
    EXPECT_EQ(actual[98].item, "099");
    EXPECT_EQ(actual[815].item, "816");
    for (const Row& row : actual) EXPECT_EQ(row.value, "") << row.item;
  }
}

// The normal view shows rows only for the five nodes with their own normal rows.
TEST_F(ResetRowsTest, NormalViewIsEmptyForExtendedOnlyNodes) {
  for (int i = 0; i < kNodeClassCount; ++i) {
    NodeClass n = static_cast<NodeClass>(i);
    bool ownRows = n == NodeClass::kDevice || n == NodeClass::kSystem || n == NodeClass::kAPIDriver ||
                   n == NodeClass::kDotNetFramework || n == NodeClass::kUSBDriverStack;
    RowList normal = InfoDocument::RowsOf(document_.DeviceNode(n), kRunModeNormal);
    if (!ownRows) {
      EXPECT_TRUE(normal.empty()) << "class " << i;
    }
  }
  EXPECT_EQ(InfoDocument::RowsOf(document_.DeviceNode(NodeClass::kDevice), kRunModeNormal).size(), 11u);
}

}  // namespace
}  // namespace qx
