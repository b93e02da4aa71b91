// Every registry test program leaves the Wine registry as it found it: the keys the stand-in made
// above the tests' own keys ("SOFTWARE\NORVA" and below) would otherwise meet the utility's tests of
// the installed driver, which require that the driver's keys are absent.
#include <gtest/gtest.h>

#include "tests/registry/reg_tool.h"

namespace {

class RegistryLeftovers : public ::testing::Environment {
 public:
  void SetUp() override { existed_ = qx::test::RegKeyExists(kRoot); }
  void TearDown() override {
    if (!existed_) qx::test::RegDelete(kRoot);
    EXPECT_EQ(qx::test::RegKeyExists(kRoot), existed_) << kRoot;
  }

 private:
  static constexpr const char* kRoot = "HKLM\\SOFTWARE\\NORVA";
  bool existed_ = false;
};

[[maybe_unused]] ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new RegistryLeftovers);

}  // namespace
