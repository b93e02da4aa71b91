#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "utility/port/usb_info.h"

namespace qx::port {
namespace {

// A USB string descriptor: length, type 3, then UTF-16LE units.
std::vector<std::uint8_t> StringDescriptor(const std::string& text) {
  std::vector<std::uint8_t> d = {static_cast<std::uint8_t>(2 + 2 * text.size()), 3};
  for (char c : text) {
    d.push_back(static_cast<std::uint8_t>(c));
    d.push_back(0);
  }
  return d;
}

std::vector<std::uint8_t> Concatenated(const std::vector<std::vector<std::uint8_t>>& descriptors) {
  std::vector<std::uint8_t> run;
  for (const auto& d : descriptors) run.insert(run.end(), d.begin(), d.end());
  return run;
}

const std::vector<std::uint8_t> kLanguages = {4, 3, 0x09, 0x04};

TEST(UsbInfo, LinkModeFromInterfaceBoardFlags) {
  EXPECT_EQ(LinkModeFromFlags(0x10), 3);
  EXPECT_EQ(LinkModeFromFlags(0x24), 4);
  EXPECT_EQ(LinkModeFromFlags(0x04), 1);
  EXPECT_EQ(LinkModeFromFlags(0x08), 2);
  EXPECT_EQ(LinkModeFromFlags(0x0C), 0);
  EXPECT_EQ(LinkModeFromFlags(0x20), 0);
  // Bits outside 5..2 do not count.
  EXPECT_EQ(LinkModeFromFlags(0x4B), 2);
}

TEST(UsbInfo, SecondAndThirdStringsAfterTheLanguagesBecomeTheDeviceStrings) {
  auto run = Concatenated({kLanguages, StringDescriptor("NORVA"), StringDescriptor("QX-R7000"), StringDescriptor("Scanner")});
  PortInfo info{};
  ParseDeviceStrings(run.data(), run.size(), info);
  EXPECT_STREQ(info.firstDeviceString, "QX-R7000");
  EXPECT_STREQ(info.secondDeviceString, "Scanner");
}

TEST(UsbInfo, WalkStopsAtADescriptorLongerThanTheBytesReturned) {
  auto run = Concatenated({kLanguages, StringDescriptor("NORVA"), StringDescriptor("QX-R7000")});
  auto cut = run;
  cut.resize(run.size() - 3);  // the second descriptor claims bytes the driver did not return
  PortInfo info{};
  ParseDeviceStrings(cut.data(), cut.size(), info);
  EXPECT_STREQ(info.firstDeviceString, "");
  EXPECT_STREQ(info.secondDeviceString, "");
}

TEST(UsbInfo, ZeroLengthDescriptorEndsTheWalk) {
  auto run = Concatenated({kLanguages, StringDescriptor("A"), {0, 3}, StringDescriptor("B")});
  PortInfo info{};
  ParseDeviceStrings(run.data(), run.size(), info);
  EXPECT_STREQ(info.firstDeviceString, "");
  EXPECT_STREQ(info.secondDeviceString, "");
}

TEST(UsbInfo, LongestDescriptorTextFitsItsFieldTerminated) {
  std::string text(126, 'x');  // 2 + 252 = 254 bytes, the largest even descriptor
  auto run = Concatenated({kLanguages, StringDescriptor("A"), StringDescriptor(text), StringDescriptor(text)});
  PortInfo info{};
  std::memset(info.secondDeviceString, 'z', sizeof info.secondDeviceString);
  ParseDeviceStrings(run.data(), run.size(), info);
  EXPECT_EQ(std::string(info.firstDeviceString), text);
  EXPECT_EQ(std::string(info.secondDeviceString), text);
}

TEST(UsbInfo, SerialNumberIsBoundedByItsLengthByteAndTheBytesReturned) {
  auto serial = StringDescriptor("AB1234");
  char out[kInfoTextSize];
  ParseSerialNumber(serial.data(), serial.size(), out, sizeof out);
  EXPECT_STREQ(out, "AB1234");
  // A length byte past the returned bytes reads only what was returned.
  ParseSerialNumber(serial.data(), 6, out, sizeof out);
  EXPECT_STREQ(out, "AB");
  // An odd or tiny length gives an empty text.
  std::uint8_t tiny[] = {1, 3};
  ParseSerialNumber(tiny, sizeof tiny, out, sizeof out);
  EXPECT_STREQ(out, "");
}

TEST(UsbInfo, VersionTextIsHexMajorAndTwoDigitMinor) {
  char text[kVersionTextSize];
  FormatVersionText(text, sizeof text, 3, 0);
  EXPECT_STREQ(text, "3.00");
  FormatVersionText(text, sizeof text, 0x1A, 0x5);
  EXPECT_STREQ(text, "1A.05");
}

}  // namespace
}  // namespace qx::port
