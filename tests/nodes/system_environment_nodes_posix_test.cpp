#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/nodes/row_pairs.h"
#include "utility/nodes/pc_error_message.h"
#include "utility/nodes/system_environment_nodes.h"

// On a system without Windows services the reads succeed and the registry- and version-resource-
// based fields stay empty; the rest describes this machine.
namespace qx {
namespace {

using testing::Pairs;
using testing::RowPairs;

class SystemBranchOnThisHost : public ::testing::Test {
 protected:
  static void Collect(const char* text) { messages_.push_back(text); }
  void SetUp() override {
    messages_.clear();
    SetPcErrorSink(&Collect);
    unsetenv("windir");
  }
  void TearDown() override {
    SetPcErrorSink(nullptr);
    EXPECT_TRUE(messages_.empty()) << messages_.front();
  }
  static inline std::vector<std::string> messages_;
  int port_ = 2;
};

TEST_F(SystemBranchOnThisHost, SystemNode) {
  CSystemNode node(&port_);
  node.Reset();
  EXPECT_EQ(node.Read(), 1);
  RowList rows = node.GetRows();
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_NE(rows[0].value, "");  // OS name
  EXPECT_NE(rows[1].value, "");  // OS version
  EXPECT_EQ(rows[2].value, "");  // language: registry
  EXPECT_EQ(rows[3].value, "");  // wrapper version: registry and version resource
  EXPECT_EQ(rows[4].value, "");  // host controller: no port ready
  EXPECT_NE(rows[5].value, "");
  EXPECT_GT(std::atoi(rows[6].value.c_str()), 0);
  EXPECT_GT(std::atoi(rows[7].value.c_str()), 0);
  EXPECT_EQ(rows[7].value.substr(rows[7].value.size() - 2), "MB");
  EXPECT_EQ(rows[8].value, "1.03");
  EXPECT_EQ(Pairs(node.GetExtendedRows()), Pairs(rows));
}

TEST_F(SystemBranchOnThisHost, ApiDriverIsNotInstalled) {
  CAPIDriverNode node(&port_);
  node.Reset();
  EXPECT_EQ(node.Read(), 1);
  EXPECT_EQ(Pairs(node.GetRows()), (RowPairs{{"Driver module", "Not installed"}}));
  node.Reset();
  EXPECT_EQ(node.ReadExtended(), 1);
  EXPECT_EQ(Pairs(node.GetExtendedRows()), (RowPairs{{"Driver module", "Not installed"}}));
  EXPECT_EQ(node.GetRecord()[0], '0');
}

TEST_F(SystemBranchOnThisHost, NoFrameworkVersions) {
  CDotNetFrameworkNode node(&port_);
  node.Reset();
  EXPECT_EQ(node.Read(), 1);
  EXPECT_TRUE(node.GetRows().empty());
}

TEST_F(SystemBranchOnThisHost, UsbDriverStackRowsStayEmpty) {
  CUSBDriverStackNode node(&port_);
  node.Reset();
  EXPECT_EQ(node.ReadExtended(), 1);
  RowList rows = node.GetRows();
  ASSERT_EQ(rows.size(), 13u);
  EXPECT_TRUE(testing::AllValuesEmpty(rows));
}

}  // namespace
}  // namespace qx
