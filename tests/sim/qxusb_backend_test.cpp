// The driver backends that need no simulator: loopback address rules, the null driver, which
// backend the process gets, and (under Wine) the Windows driver on a machine without QXUSB.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/loopback_socket.h"
#include "utility/port/qxusb_null_driver.h"
#include "utility/port/qxusb_virtual_driver.h"

namespace qx::qxusb {
namespace {

TEST(LoopbackAddress, OnlyLoopbackHostsWithAPortParse) {
  struct Case {
    const char* text;
    bool ok;
    std::uint16_t port;
  };
  const Case kCases[] = {
      {"127.0.0.1:9100", true, 9100},  {"127.1.2.3:1", true, 1},        {"localhost:65535", true, 65535},
      {"[::1]:4000", true, 4000},      {"192.168.192.168:9100", false}, {"10.1.1.1:80", false},
      {"0.0.0.0:80", false},           {"127.0.0.1:0", false},          {"127.0.0.1:65536", false},
      {"127.0.0.1", false},            {"127.0.0:80", false},           {"127.0.0.1.5:80", false},
      {"[::2]:80", false},             {"example.com:80", false},       {"", false},
  };
  for (const Case& c : kCases) {
    platform::LoopbackAddress a;
    EXPECT_EQ(platform::ParseLoopbackAddress(c.text, &a), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(a.port, c.port) << c.text;
    }
  }
}

TEST(NullDriver, FindsNothingAndFailsEveryCall) {
  NullDriver d;
  char path[8] = "x";
  EXPECT_EQ(d.Enumerate(0, path, sizeof path), DriverStatus::kNoMoreItems);
  EXPECT_STREQ(path, "");
  DriverHandle h = 5;
  EXPECT_EQ(d.Open("\\\\?\\usb#a\\QX", &h), DriverStatus::kNotFound);
  EXPECT_EQ(h, kInvalidDriverHandle);
  std::uint32_t n = 9;
  std::uint8_t b[4];
  EXPECT_EQ(d.Write(1, b, 4, &n), DriverStatus::kFailed);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(d.Read(1, b, 4, &n), DriverStatus::kFailed);
  EXPECT_FALSE(d.Control(1, 0x222000, nullptr, 0, b, 4, &n));
  EXPECT_EQ(n, 0u);
}

TEST(VirtualDriverWithoutSimulator, BehavesLikeAnEmptyBus) {
  // A loopback port nobody listens on (the discard port).
  platform::LoopbackAddress nowhere;
  ASSERT_TRUE(platform::ParseLoopbackAddress("127.0.0.1:9", &nowhere));
  VirtualDriver d(nowhere);
  char path[16];
  EXPECT_EQ(d.Enumerate(0, path, sizeof path), DriverStatus::kNoMoreItems);
  DriverHandle h;
  EXPECT_EQ(d.Open("\\\\?\\usb#a\\QX", &h), DriverStatus::kNotFound);
  std::uint32_t n;
  std::uint8_t b[4];
  EXPECT_EQ(d.Read(12345, b, 4, &n), DriverStatus::kFailed);
  d.Close(12345);
}

TEST(SimulatorVariable, SelectsTheVirtualDriverOnlyForLoopback) {
  const char* kRefused[] = {"192.168.192.168:9100", "8.8.8.8:53", "127.0.0.1", "nonsense", ""};
  for (const char* text : kRefused) {
#ifdef _WIN32
    _putenv_s("QXR7000_SIM", text);
#else
    setenv("QXR7000_SIM", text, 1);
#endif
    EXPECT_EQ(DriverFromSimulatorVariable(), nullptr) << text;
  }
#ifdef _WIN32
  _putenv_s("QXR7000_SIM", "127.0.0.1:9");
#else
  setenv("QXR7000_SIM", "127.0.0.1:9", 1);
#endif
  EXPECT_NE(DriverFromSimulatorVariable(), nullptr);
}

}  // namespace
}  // namespace qx::qxusb
