#include "utility/nodes/system_environment_nodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/nodes/fake_qxusb_driver.h"
#include "tests/nodes/row_pairs.h"
#include "utility/nodes/pc_error_message.h"
#include "utility/nodes/windows_release_text.h"
#include "utility/port/qxusb_contract.h"

namespace qx {
namespace {

using testing::FakeDriverScope;
using testing::Items;
using testing::Pairs;
using testing::RowPairs;

platform::WindowsRelease Release(std::uint32_t major, std::uint32_t minor, std::uint32_t build, const char* sp) {
  platform::WindowsRelease r{};
  r.platformId = 2;
  r.major = major;
  r.minor = minor;
  r.build = build;
  std::strncpy(r.servicePack, sp, sizeof r.servicePack - 1);
  return r;
}

TEST(WindowsReleaseText, NamesAndVersions) {
  platform::WindowsRelease xp = Release(5, 1, 2600, "Service Pack 3");
  EXPECT_EQ(WindowsOsName(xp), "Microsoft Windows XP Professional");
  EXPECT_EQ(WindowsOsVersionText(xp), "5.1.2600(Service Pack 3 Built 2600)");
  xp.suiteMask = 0x0200 | 0x0100;
  EXPECT_EQ(WindowsOsName(xp), "Microsoft Windows XP Home Edition");

  platform::WindowsRelease w2k = Release(5, 0, 2195, "");
  EXPECT_EQ(WindowsOsName(w2k), "Microsoft Windows 2000 Professional");
  EXPECT_EQ(WindowsOsVersionText(w2k), "5.0.2195");

  platform::WindowsRelease vista = Release(6, 0, 6002, "Service Pack 2");
  EXPECT_EQ(WindowsOsName(vista), "");  // no GetProductInfo in kernel32
  vista.hasProductType = true;
  const std::pair<std::uint32_t, const char*> editions[] = {{1, "Microsoft Windows Vista Ultimate"},
                                                            {2, "Microsoft Windows Vista Home Basic"},
                                                            {3, "Microsoft Windows Vista Home Premium"},
                                                            {6, "Microsoft Windows Vista Business"},
                                                            {4, "Microsoft Windows Vista"},
                                                            {0, "Microsoft Windows Vista"}};
  for (auto [type, name] : editions) {
    vista.productType = type;
    EXPECT_EQ(WindowsOsName(vista), name) << type;
  }
  EXPECT_EQ(WindowsOsVersionText(vista), "6.0.6002(Service Pack 2 Built 6002)");

  EXPECT_EQ(WindowsOsName(Release(5, 2, 3790, "")), "");
  EXPECT_EQ(WindowsOsName(Release(10, 0, 19045, "")), "");
  platform::WindowsRelease nineX = Release(4, 10, 2222, "");
  nineX.platformId = 1;
  EXPECT_EQ(WindowsOsName(nineX), "");
  EXPECT_EQ(WindowsOsVersionText(nineX), "");
}

TEST(WindowsReleaseText, UnterminatedServicePackIsBounded) {
  platform::WindowsRelease r = Release(5, 1, 2600, "");
  std::memset(r.servicePack, 'S', sizeof r.servicePack);
  EXPECT_EQ(WindowsOsVersionText(r), "5.1.2600(" + std::string(128, 'S') + " Built 2600)");
}

const std::vector<std::string> kSystemLabels = {"OS name",         "OS version",          "OS language",
                                                "QX-R7000 driver", "USB host controller", "Processor",
                                                "Number of processors", "Memory capacity", "QX-R7000 Utility"};

TEST(SystemNodeRows, ResetRecordShowsLabelsWithMemoryNone) {
  int port = 2;
  CSystemNode node(&port);
  std::memset(node.GetRecord(), 'Q', node.RecordSize());
  node.Reset();
  const RowPairs expected = {{"OS name", ""},         {"OS version", ""},          {"OS language", ""},
                             {"QX-R7000 driver", ""}, {"USB host controller", ""}, {"Processor", ""},
                             {"Number of processors", ""}, {"Memory capacity", "none"}, {"QX-R7000 Utility", ""}};
  EXPECT_EQ(Pairs(node.GetRows()), expected);
  EXPECT_EQ(Pairs(node.GetExtendedRows()), expected);
  std::int32_t count;
  std::int32_t memory;
  std::memcpy(&count, node.GetRecord() + 368, 4);
  std::memcpy(&memory, node.GetRecord() + 372, 4);
  EXPECT_EQ(count, -1);
  EXPECT_EQ(memory, -1);
}

TEST(SystemNodeRows, FilledRecord) {
  int port = 2;
  CSystemNode node(&port);
  node.Reset();
  std::uint8_t* r = node.GetRecord();
  std::strcpy(reinterpret_cast<char*>(r + 0), "Microsoft Windows XP Professional");
  std::strcpy(reinterpret_cast<char*>(r + 64), "5.1.2600(Service Pack 3 Built 2600)");
  std::strcpy(reinterpret_cast<char*>(r + 128), "ENU");
  std::strcpy(reinterpret_cast<char*>(r + 144), "2.1.0.5");
  std::strcpy(reinterpret_cast<char*>(r + 208), "EHCI");
  std::strcpy(reinterpret_cast<char*>(r + 240), "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz");
  const std::int32_t count = 2;
  const std::int32_t memory = 2047;
  std::memcpy(r + 368, &count, 4);
  std::memcpy(r + 372, &memory, 4);
  std::strcpy(reinterpret_cast<char*>(r + 376), "1.03");
  EXPECT_EQ(Pairs(node.GetRows()), (RowPairs{{"OS name", "Microsoft Windows XP Professional"},
                                             {"OS version", "5.1.2600(Service Pack 3 Built 2600)"},
                                             {"OS language", "ENU"},
                                             {"QX-R7000 driver", "2.1.0.5"},
                                             {"USB host controller", "EHCI"},
                                             {"Processor", "Intel(R) Core(TM)2 Duo CPU     E8400  @ 3.00GHz"},
                                             {"Number of processors", "2"},
                                             {"Memory capacity", "2047MB"},
                                             {"QX-R7000 Utility", "1.03"}}));
}

// A record from a file may hold texts without their terminator: each stays inside its field.
TEST(SystemNodeRows, UnterminatedTextsStayInsideTheirFields) {
  int port = 2;
  auto node = std::make_unique<CSystemNode>(&port);
  node->Reset();
  std::uint8_t* r = node->GetRecord();
  std::memset(r, 'X', 368);
  std::memset(r + 376, 'U', 32);
  RowList rows = node->GetRows();
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[0].value, std::string(64, 'X'));
  EXPECT_EQ(rows[1].value, std::string(64, 'X'));
  EXPECT_EQ(rows[2].value, std::string(16, 'X'));
  EXPECT_EQ(rows[3].value, std::string(64, 'X'));
  EXPECT_EQ(rows[4].value, std::string(32, 'X'));
  EXPECT_EQ(rows[5].value, std::string(128, 'X'));
  EXPECT_EQ(rows[8].value, std::string(32, 'U'));
}

class SystemNodeHostController : public ::testing::Test {
 protected:
  static void Collect(const char* text) { messages_.push_back(text); }
  void SetUp() override {
    messages_.clear();
    SetPcErrorSink(&Collect);
  }
  void TearDown() override { SetPcErrorSink(nullptr); }

  std::string ControllerAfterRead(int* result) {
    CSystemNode node(&port_);
    node.Reset();
    *result = node.Read();
    return node.GetRows()[4].value;
  }

  static inline std::vector<std::string> messages_;
  int port_ = 2;
  FakeDriverScope scope_;
};

TEST_F(SystemNodeHostController, TypesAreNamed) {
  const std::pair<std::uint32_t, const char*> types[] = {
      {0, "OHCI"}, {1, "UHCI"}, {2, "EHCI"}, {255, "UNKNOWN"}, {3, ""}, {0x100, ""}};
  for (auto [type, text] : types) {
    scope_.driver().Answer(qxusb::kGetHostControllerType,
                           {static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type >> 8), 0, 0});
    int result = -1;
    EXPECT_EQ(ControllerAfterRead(&result), text) << type;
  }
  EXPECT_EQ(scope_.driver().calls().back().code, qxusb::kGetHostControllerType);
  EXPECT_EQ(scope_.driver().calls().back().outputSize, 4u);
}

TEST_F(SystemNodeHostController, PortNotReadyLeavesTheFieldEmptyWithoutAQuery) {
  scope_.SetReady(false);
  scope_.driver().Answer(qxusb::kGetHostControllerType, {2, 0, 0, 0});
  int result = -1;
  EXPECT_EQ(ControllerAfterRead(&result), "");
  EXPECT_TRUE(scope_.driver().calls().empty());
}

// A failed query fails the read; the other steps still fill their fields.
TEST_F(SystemNodeHostController, FailedQueryFailsTheRead) {
  scope_.driver().Fail(qxusb::kGetHostControllerType);
  CSystemNode node(&port_);
  node.Reset();
  EXPECT_EQ(node.Read(), 0);
  RowList rows = node.GetRows();
  EXPECT_EQ(rows[4].value, "");
  EXPECT_NE(rows[6].value, "");
  EXPECT_NE(rows[7].value, "none");
  EXPECT_EQ(rows[8].value, "1.03");
}

TEST(ApiDriverNodeRows, InstalledWithModules) {
  int port = 2;
  auto node = std::make_unique<CAPIDriverNode>(&port);
  node->Reset();
  std::uint8_t* r = node->GetRecord();
  r[0] = '1';
  std::strcpy(reinterpret_cast<char*>(r + 1), "C:\\Program Files\\NORVA\\");
  std::strcpy(reinterpret_cast<char*>(r + 261), "NorvaScanApi.dll");
  std::strcpy(reinterpret_cast<char*>(r + 8581), "2.1.0.5");
  std::strcpy(reinterpret_cast<char*>(r + 261 + 260), "QxImage.dll");
  std::strcpy(reinterpret_cast<char*>(r + 261 + 3 * 260), "Hidden.dll");  // behind an empty slot
  EXPECT_EQ(Pairs(node->GetRows()),
            (RowPairs{{"Driver module", "Installed"}, {"Installed directory", "C:\\Program Files\\NORVA\\"}}));
  EXPECT_EQ(Pairs(node->GetExtendedRows()), (RowPairs{{"Driver module", "Installed"},
                                                      {"Installed directory", "C:\\Program Files\\NORVA\\"},
                                                      {"NorvaScanApi.dll", "2.1.0.5"},
                                                      {"QxImage.dll", ""}}));
}

TEST(ApiDriverNodeRows, NotInstalledAndReset) {
  int port = 2;
  CAPIDriverNode node(&port);
  std::memset(node.GetRecord(), 'A', node.RecordSize());
  node.Reset();
  EXPECT_EQ(Pairs(node.GetRows()), (RowPairs{{"Driver module", "Not installed"}}));
  EXPECT_EQ(Pairs(node.GetExtendedRows()), (RowPairs{{"Driver module", "Not installed"}}));
  node.GetRecord()[0] = '0';
  std::strcpy(reinterpret_cast<char*>(node.GetRecord() + 1), "C:\\stale\\");
  EXPECT_EQ(Pairs(node.GetRows()), (RowPairs{{"Driver module", "Not installed"}}));
}

// Every slot full and no terminator anywhere: 32 module rows, each text cut at its field.
TEST(ApiDriverNodeRows, FullUnterminatedSlotsStayInsideTheirFields) {
  int port = 2;
  auto node = std::make_unique<CAPIDriverNode>(&port);
  std::uint8_t* r = node->GetRecord();
  std::memset(r, 'M', node->RecordSize());
  r[0] = '1';
  std::memset(r + 8581, 'V', 32 * 32);
  RowList rows = node->GetExtendedRows();
  ASSERT_EQ(rows.size(), 2u + 32u);
  EXPECT_EQ(rows[1].value, std::string(260, 'M'));
  EXPECT_EQ(rows[2].item, std::string(260, 'M'));
  EXPECT_EQ(rows[33].value, std::string(32, 'V'));
}

TEST(DotNetFrameworkNodeRows, RowsUntilTheFirstEmptySlot) {
  int port = 2;
  auto node = std::make_unique<CDotNetFrameworkNode>(&port);
  node->Reset();
  EXPECT_TRUE(node->GetRows().empty());
  char* r = reinterpret_cast<char*>(node->GetRecord());
  std::strcpy(r, "1.1.4322.2032");
  std::strcpy(r + 64, "2.0.50727.1433");
  std::strcpy(r + 3 * 64, "3.5.30729.01");  // behind an empty 3.0 slot: hidden
  EXPECT_EQ(Pairs(node->GetRows()), (RowPairs{{"Version", "1.1.4322.2032"}, {"Version", "2.0.50727.1433"}}));
  EXPECT_EQ(Pairs(node->GetExtendedRows()), Pairs(node->GetRows()));
  std::memset(r, '9', 1024);
  RowList rows = node->GetRows();
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows[15].value, std::string(64, '9'));
}

TEST(UsbDriverStackNodeRows, ThirteenFilesInOrder) {
  int port = 2;
  auto node = std::make_unique<CUSBDriverStackNode>(&port);
  std::memset(node->GetRecord(), 'z', node->RecordSize());
  node->Reset();
  const RowPairs empty = {{"qxusbxp.sys", ""},  {"qxusb64.sys", ""}, {"usbehci.sys", ""}, {"usbuhci.sys", ""},
                          {"usbohci.sys", ""},  {"uhcd.sys", ""},    {"openhci.sys", ""}, {"usbd.sys", ""},
                          {"usbhub.sys", ""},   {"usbhub20.sys", ""}, {"usbport.sys", ""}, {"usbui.dll", ""},
                          {"hccoin.dll", ""}};
  EXPECT_EQ(Pairs(node->GetRows()), empty);
  char* r = reinterpret_cast<char*>(node->GetRecord());
  std::strcpy(r + 64, "3.10.0.2");
  std::strcpy(r + 2 * 64, "5.1.2600.5512");
  std::strcpy(r + 7 * 64, "5.1.2600.0");
  std::strcpy(r + 8 * 64, "5.1.2600.5512");
  EXPECT_EQ(Pairs(node->GetExtendedRows()),
            (RowPairs{{"qxusbxp.sys", ""},     {"qxusb64.sys", "3.10.0.2"},  {"usbehci.sys", "5.1.2600.5512"},
                      {"usbuhci.sys", ""},     {"usbohci.sys", ""},          {"uhcd.sys", ""},
                      {"openhci.sys", ""},     {"usbd.sys", "5.1.2600.0"},   {"usbhub.sys", "5.1.2600.5512"},
                      {"usbhub20.sys", ""},    {"usbport.sys", ""},          {"usbui.dll", ""},
                      {"hccoin.dll", ""}}));
  std::memset(r + 12 * 64, '5', 64);
  EXPECT_EQ(node->GetRows()[12].value, std::string(64, '5'));
}

}  // namespace
}  // namespace qx
