// One extended gather against a running qxr7000-sim holding its default profile, through the port
// library, the request protocol and the virtual driver, then every node's extended rows compared
// with the rows written by hand in expected/*.txt from the profile and the nodes' row rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/golden/expected_rows.h"
#include "tests/sim/sim_fixture.h"
#include "utility/shell/info_document.h"
#include "utility/shell/node_class.h"
#include "utility/shell/run_mode.h"

namespace qx::golden {
namespace {

struct NamedClass {
  const char* name;
  NodeClass node;
};

const NamedClass kClasses[kNodeClassCount] = {
    {"Device", NodeClass::kDevice},
    {"SensorStatus", NodeClass::kSensorStatus},
    {"ADConverter", NodeClass::kADConverter},
    {"NORVANV", NodeClass::kNORVANV},
    {"MaintenanceCounter", NodeClass::kMaintenanceCounter},
    {"ThresholdValue", NodeClass::kThresholdValue},
    {"FaceCalibrationValue", NodeClass::kFaceCalibrationValue},
    {"FaceCalibrationBrightness", NodeClass::kFaceCalibrationBrightness},
    {"FaceCalibrationDarkness", NodeClass::kFaceCalibrationDarkness},
    {"BackCalibrationValue", NodeClass::kBackCalibrationValue},
    {"BackCalibrationBrightness", NodeClass::kBackCalibrationBrightness},
    {"BackCalibrationDarkness", NodeClass::kBackCalibrationDarkness},
    {"OtherCalibrationValue", NodeClass::kOtherCalibrationValue},
    {"ErrorHistory", NodeClass::kErrorHistory},
    {"System", NodeClass::kSystem},
    {"APIDriver", NodeClass::kAPIDriver},
    {"DotNetFramework", NodeClass::kDotNetFramework},
    {"USBDriverStack", NodeClass::kUSBDriverStack},
    {"DeviceDescriptor", NodeClass::kDeviceDescriptor},
    {"ConfigurationDescriptor", NodeClass::kConfigurationDescriptor},
    {"InterfaceDescriptor", NodeClass::kInterfaceDescriptor},
    {"EndPointDescriptor", NodeClass::kEndPointDescriptor},
    {"StringDescriptor", NodeClass::kStringDescriptor},
    {"DeviceQualifierDescriptor", NodeClass::kDeviceQualifierDescriptor},
    {"OtherSpeedConfigurationDescriptor", NodeClass::kOtherSpeedConfigurationDescriptor},
    {"OtherSpeedInterfaceDescriptor", NodeClass::kOtherSpeedInterfaceDescriptor},
    {"OtherSpeedEndPointDescriptor", NodeClass::kOtherSpeedEndPointDescriptor},
    {"DeviceStatus", NodeClass::kDeviceStatus},
    {"PowerSave", NodeClass::kPowerSave},
    {"QXUSB", NodeClass::kQXUSB},
    {"XBConfigurationDescriptor", NodeClass::kXBConfigurationDescriptor},
    {"XBStringDescriptor", NodeClass::kXBStringDescriptor},
    {"PipeTimeOut", NodeClass::kPipeTimeOut},
    {"TimeOutMode", NodeClass::kTimeOutMode},
    {"XBStatus", NodeClass::kXBStatus},
};

const char* const kFiles[] = {"device.txt",      "nv_counter_threshold.txt", "error_history.txt",
                              "calibration.txt", "system.txt",               "usb_standard_request.txt",
                              "usb_vendor_request.txt"};

bool FindClass(const std::string& name, NodeClass* node) {
  for (const NamedClass& c : kClasses) {
    if (name == c.name) {
      *node = c.node;
      return true;
    }
  }
  return false;
}

std::string Show(const RowList& rows) {
  std::ostringstream text;
  for (const Row& r : rows) text << "  [" << r.item << "] [" << r.value << "]\n";
  return text.str();
}

// The scanner is the simulator's scanner of the given profile, reached through the virtual driver.
bool PointDriverAtSim(const char* profile, std::string* why) {
  simtest::SimAddresses sim;
  if (!simtest::FindRunningSim(&sim, why)) return false;
  if (!simtest::SimControlOk(sim.control, std::string("profile ") + profile) ||
      !simtest::SimControlOk(sim.control, "fault clear")) {
    *why = std::string("the simulator refused the profile ") + profile;
    return false;
  }
  char link[64];
  const std::uint8_t* ip = sim.link.ipv4;
  if (sim.link.ipv6) {
    std::snprintf(link, sizeof link, "[::1]:%u", static_cast<unsigned>(sim.link.port));
  } else {
    std::snprintf(link, sizeof link, "%u.%u.%u.%u:%u", ip[0], ip[1], ip[2], ip[3], static_cast<unsigned>(sim.link.port));
  }
#ifdef _WIN32
  std::string assignment = std::string("QXR7000_SIM=") + link;
  if (_putenv(assignment.c_str()) != 0) {
#else
  if (setenv("QXR7000_SIM", link, 1) != 0) {
#endif
    *why = "cannot set QXR7000_SIM";
    return false;
  }
  return true;
}

class GoldenRowsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { GatherFrom("default.json"); }
  static void GatherFrom(const char* profile) {
    ready_ = PointDriverAtSim(profile, &why_);
    if (!ready_) return;
    document_ = new InfoDocument(nullptr);
    document_->BuildDeviceTree(kRunModeBatch);
    gatherResult_ = document_->ExtendedGather();
  }
  static void TearDownTestSuite() {
    delete document_;
    document_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(ready_) << why_; }

  void CheckFile(const char* file) {
    ASSERT_EQ(gatherResult_, 1) << "the extended gather failed; rows would show reset values";
    std::vector<Section> sections;
    std::string why;
    ASSERT_TRUE(ReadExpectedFile(std::string(QX_GOLDEN_EXPECTED) + "/" + file, &sections, &why)) << why;
    ASSERT_FALSE(sections.empty()) << file;
    for (const Section& s : sections) CheckSection(file, s);
  }

  void CheckSection(const char* file, const Section& s) {
    SCOPED_TRACE(std::string(file) + " [" + s.node + "]");
    NodeClass node = NodeClass::kNone;
    ASSERT_TRUE(FindClass(s.node, &node)) << "unknown node name " << s.node;
    CTreeNode* treeNode = document_->DeviceNode(node);
    ASSERT_NE(treeNode, nullptr);
    RowList actual = InfoDocument::RowsOf(treeNode, kRunModeExtended);
    switch (s.kind) {
      case SectionKind::kExact:
        ASSERT_EQ(actual.size(), s.rows.size()) << "actual rows:\n" << Show(actual);
        for (std::size_t i = 0; i < actual.size(); ++i) {
          EXPECT_TRUE(RowMatches(s.rows[i], actual[i]))
              << "row " << i + 1 << ": expected [" << s.rows[i].item << "] [" << s.rows[i].value << "], got ["
              << actual[i].item << "] [" << actual[i].value << "]";
        }
        break;
      case SectionKind::kSampled:
        ASSERT_EQ(actual.size(), s.rowCount);
        for (const Row& r : s.rows) {
          std::size_t number = static_cast<std::size_t>(std::strtoul(r.item.c_str(), nullptr, 10));
          ASSERT_GE(number, 1u);
          ASSERT_LE(number, actual.size());
          const Row& got = actual[number - 1];
          EXPECT_TRUE(RowMatches(r, got)) << "row " << number << ": expected [" << r.item << "] [" << r.value
                                          << "], got [" << got.item << "] [" << got.value << "]";
        }
        break;
      case SectionKind::kEach:
        ASSERT_EQ(s.rows.size(), 1u);
        EXPECT_LE(actual.size(), 16u);
        for (const Row& got : actual) EXPECT_TRUE(RowMatches(s.rows[0], got)) << "[" << got.item << "] [" << got.value << "]";
        break;
    }
  }

  static bool ready_;
  static std::string why_;
  static InfoDocument* document_;
  static int gatherResult_;
};

bool GoldenRowsTest::ready_ = false;
std::string GoldenRowsTest::why_;
InfoDocument* GoldenRowsTest::document_ = nullptr;
int GoldenRowsTest::gatherResult_ = 0;

TEST_F(GoldenRowsTest, ExtendedGatherSucceeds) { EXPECT_EQ(gatherResult_, 1); }

TEST_F(GoldenRowsTest, DeviceSensorAndADConverter) { CheckFile("device.txt"); }
TEST_F(GoldenRowsTest, NVCounterAndThreshold) { CheckFile("nv_counter_threshold.txt"); }
TEST_F(GoldenRowsTest, ErrorHistory) { CheckFile("error_history.txt"); }
TEST_F(GoldenRowsTest, Calibration) { CheckFile("calibration.txt"); }
TEST_F(GoldenRowsTest, SystemEnvironment) { CheckFile("system.txt"); }
TEST_F(GoldenRowsTest, UsbStandardRequests) { CheckFile("usb_standard_request.txt"); }
TEST_F(GoldenRowsTest, UsbVendorRequests) { CheckFile("usb_vendor_request.txt"); }

// The normal view of the device node lists the first eleven of its extended rows.
TEST_F(GoldenRowsTest, DeviceNormalRowsAreTheFirstEleven) {
  ASSERT_EQ(gatherResult_, 1);
  std::vector<Section> sections;
  std::string why;
  ASSERT_TRUE(ReadExpectedFile(std::string(QX_GOLDEN_EXPECTED) + "/device.txt", &sections, &why)) << why;
  ASSERT_EQ(sections.front().node, "Device");
  ASSERT_EQ(sections.front().rows.size(), 14u);
  RowList normal = InfoDocument::RowsOf(document_->DeviceNode(NodeClass::kDevice), kRunModeNormal);
  ASSERT_EQ(normal.size(), 11u);
  for (std::size_t i = 0; i < normal.size(); ++i) {
    EXPECT_TRUE(RowMatches(sections.front().rows[i], normal[i])) << normal[i].item << " " << normal[i].value;
  }
}

// A second document, after the first suite's is gone, reads the one-pocket scanner: the rows that
// depend on the pocket count, the franker, the speed and the feed type.
class OnePocketRowsTest : public GoldenRowsTest {
 protected:
  static void SetUpTestSuite() { GatherFrom("one-pocket.json"); }
  // Later tests of the fixture's simulator expect the default scanner.
  static void TearDownTestSuite() {
    GoldenRowsTest::TearDownTestSuite();
    std::string why;
    PointDriverAtSim("default.json", &why);
  }
};

TEST_F(OnePocketRowsTest, DeviceSensorAndCounterRows) { CheckFile("one_pocket.txt"); }

// Every one of the 35 classes has exactly one expected section.
TEST_F(GoldenRowsTest, ExpectedFilesCoverEveryNodeOnce) {
  std::multiset<std::string> seen;
  for (const char* file : kFiles) {
    std::vector<Section> sections;
    std::string why;
    ASSERT_TRUE(ReadExpectedFile(std::string(QX_GOLDEN_EXPECTED) + "/" + file, &sections, &why)) << why;
    for (const Section& s : sections) seen.insert(s.node);
  }
  for (const NamedClass& c : kClasses) EXPECT_EQ(seen.count(c.name), 1u) << c.name;
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kNodeClassCount));
}

}  // namespace
}  // namespace qx::golden
