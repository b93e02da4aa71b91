#include "tests/e2e/e2e_expected.h"

#include <fstream>
#include <sstream>

namespace qx::e2e {

namespace {

// File offset of a slot: the 12 header bytes, then the record offset.
constexpr std::size_t F(std::size_t recordOffset) { return 12 + recordOffset; }

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A text in a fixed-size field: the characters, then zeros to the field's end.
void PutText(std::vector<std::uint8_t>& out, const std::string& text, std::size_t field) {
  for (std::size_t i = 0; i < field; ++i) out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The hex text of `"key": "..."` in the profile, as bytes.
std::vector<std::uint8_t> ProfileHex(const std::string& profile, const std::string& key) {
  std::vector<std::uint8_t> bytes;
  std::size_t at = profile.find("\"" + key + "\": \"");
  if (at == std::string::npos) return bytes;
  at += key.size() + 5;
  while (at + 1 < profile.size() && HexDigit(profile[at]) >= 0 && HexDigit(profile[at + 1]) >= 0) {
    bytes.push_back(static_cast<std::uint8_t>(HexDigit(profile[at]) * 16 + HexDigit(profile[at + 1])));
    at += 2;
  }
  return bytes;
}

// A reference table: every calibration byte kept as an unsigned 16-bit value.
std::vector<std::uint8_t> Table(const std::string& profile, const std::string& key) {
  std::vector<std::uint8_t> out;
  for (std::uint8_t b : ProfileHex(profile, key)) Put16(out, b);
  return out;
}

}  // namespace

std::vector<std::uint8_t> ExpectedHeader() {
  return {'Q', 'X', 'R', 0x01, 0x03, 0x01, 0x00, 0x99, 0x50, 0x00, 0x00, 0x00};
}

std::vector<ExpectedSlot> ExpectedDeviceSlots(const std::string& profile) {
  std::vector<ExpectedSlot> slots;

  // Device: texts zero-filled to their fields, then the one-byte codes: speed 'B' (60 dpm), remote
  // wake-up '1' (bmAttributes 0xE0 has bit 5), franker '1' (fourth status byte has bit 1 clear),
  // the original version, boot mode '0', calibrated '1', multi feed 1, waterfall 1, two pockets.
  std::vector<std::uint8_t> device;
  PutText(device, "QX-R7000", 33);
  PutText(device, "1.05.08", 33);
  PutText(device, "USB", 16);
  PutText(device, "NORVA", 33);
  PutText(device, "R7K0A1234567", 33);
  for (std::uint8_t b : {'B', '1', '1'}) device.push_back(b);
  PutText(device, "R7000-ORG 2.10", 33);
  for (std::uint8_t b : {std::uint8_t{'0'}, std::uint8_t{'1'}, std::uint8_t{1}, std::uint8_t{1}, std::uint8_t{2}}) {
    device.push_back(b);
  }
  slots.push_back({"Device", F(0), device});

  // AD converter: paper length, voltage, middle, franking, eject as 16-bit readings, then the
  // double-feed reading as a signed 32-bit value.
  std::vector<std::uint8_t> ad;
  for (unsigned v : {0xD2u, 0xB4u, 0x24u, 0x1Eu, 0xC8u}) Put16(ad, v);
  Put32(ad, 0x0234);
  slots.push_back({"AD Converter", F(11237), ad});

  // NV: nine 81-byte text slots.
  std::vector<std::uint8_t> nv;
  for (const char* text : {"BRANCH 0042 TELLER 3", "INSTALLED 2006-03-14", "SERVICE CONTRACT SC-77812",
                           "LAST CLEANING 2007-01-22", "", "", "", "", "ASSET TAG 00-4471"}) {
    PutText(nv, text, 81);
  }
  slots.push_back({"NORVA NV", F(11251), nv});

  // Counters 70, 60, 61, 62, 63, then 198, 188, 189, 190, 191: 11 bytes each.
  std::vector<std::uint8_t> counters;
  for (const char* text : {"1520", "48213", "47950", "12044", "47890", "37", "1206", "1190", "310", "1188"}) {
    PutText(counters, text, 11);
  }
  slots.push_back({"Maintenance Counter", F(11980), counters});

  // Thresholds: five 16-bit detectors, slack, two signed 32-bit double-feed values, SPI, CIS, slack.
  std::vector<std::uint8_t> thresholds;
  for (unsigned v : {0x90u, 0x80u, 0x80u, 0x80u, 0x70u, 0x00u}) Put16(thresholds, v);
  Put32(thresholds, 0x0200);
  Put32(thresholds, 0x0120);
  Put32(thresholds, 0x0003);
  Put16(thresholds, 0x0C);
  Put16(thresholds, 0x00);
  slots.push_back({"Threshold Value", F(12090), thresholds});

  // Calibration values: values 1-6 as 16-bit, value 4 kept; LED time = value 7 + 256 * value 8.
  slots.push_back({"Calibration Value(Face)", F(12950),
                   {0x2A, 0, 0x18, 0, 0x6C, 0, 0x00, 0, 0x01, 0, 0x9C, 0, 0x48, 0x03, 0, 0}});
  slots.push_back({"Calibration Value(Back)", F(16230),
                   {0x27, 0, 0x1B, 0, 0x6A, 0, 0x00, 0, 0x01, 0, 0xA4, 0, 0x60, 0x03, 0, 0}});
  slots.push_back({"Calibration Value(Other)", F(19510), {0, 0, 0, 0, 0, 0, 0, 0}});
  slots.push_back({"Face Brightness Reference", F(12966), Table(profile, "faceBrightness")});
  slots.push_back({"Face Darkness Reference", F(14598), Table(profile, "faceDarkness")});
  slots.push_back({"Back Brightness Reference", F(16246), Table(profile, "backBrightness")});
  slots.push_back({"Back Darkness Reference", F(17878), Table(profile, "backDarkness")});

  // Error history: ten 16-byte entries, newest first: 11-byte text, 5-byte code.
  std::vector<std::uint8_t> history;
  const char* entries[][2] = {{"PAPER JAM", "E101"}, {"DBL FEED", "E203"}, {"PAPER JAM", "E101"}, {"COVER OPEN", "E310"}};
  for (auto& entry : entries) {
    PutText(history, entry[0], 11);
    PutText(history, entry[1], 5);
  }
  history.resize(160, 0);
  slots.push_back({"Error History", F(19518), history});

  // Device descriptor: only the fields the profile names are fixed here; see the test.
  // Device status: GET_STATUS word 1.
  slots.push_back({"Device Status", F(20309), {0x01, 0x00}});
  // Power save: resume time never read (0xFF), suspend value 0.
  slots.push_back({"Power Save", F(20311), {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}});
  // QXUSB: version 0x0312 in the upper half, version2 0x0004 in the lower.
  std::vector<std::uint8_t> qxusb;
  Put32(qxusb, 0x03120004u);
  slots.push_back({"QXUSB", F(20319), qxusb});
  slots.push_back({"XB Configuration Descriptor", F(20323), {0x40, 0x11}});
  // XB string: bLength 2 + 2 * 12, type 3, "R7K0A1234567" in UTF-16LE, zeros to 256.
  std::vector<std::uint8_t> xbString = {26, 0x03};
  for (char c : std::string("R7K0A1234567")) {
    xbString.push_back(static_cast<std::uint8_t>(c));
    xbString.push_back(0);
  }
  xbString.resize(256, 0);
  slots.push_back({"XB String Descriptor", F(20325), xbString});
  std::vector<std::uint8_t> timeOutMode;
  Put32(timeOutMode, 0x00064000u);
  slots.push_back({"Time Out Mode", F(20613), timeOutMode});
  slots.push_back({"XB Status", F(20617), {0, 0, 0, 0}});
  return slots;
}

std::string HexOf(const std::string& bytes) { return HexOf(std::vector<std::uint8_t>(bytes.begin(), bytes.end())); }

std::string HexOf(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace qx::e2e
