#include "utility/shell/windows_version_rule.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

TEST(WindowsVersionRule, AcceptsWindows2000XpAndEverySixVersion) {
  EXPECT_TRUE(IsSupportedWindowsVersion({2, 5, 0}));
  EXPECT_TRUE(IsSupportedWindowsVersion({2, 5, 1}));
  EXPECT_TRUE(IsSupportedWindowsVersion({2, 6, 0}));
  EXPECT_TRUE(IsSupportedWindowsVersion({2, 6, 1}));
  EXPECT_TRUE(IsSupportedWindowsVersion({2, 6, 3}));
}

TEST(WindowsVersionRule, RefusesServer2003OtherMajorsAndTheNineXFamily) {
  EXPECT_FALSE(IsSupportedWindowsVersion({2, 5, 2}));
  EXPECT_FALSE(IsSupportedWindowsVersion({2, 4, 0}));
  EXPECT_FALSE(IsSupportedWindowsVersion({2, 10, 0}));
  EXPECT_FALSE(IsSupportedWindowsVersion({1, 5, 1}));
  EXPECT_FALSE(IsSupportedWindowsVersion({0, 0, 0}));
}

}  // namespace
}  // namespace qx
