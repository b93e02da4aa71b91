// The virtual QXUSB driver against a running qxr7000-sim: every byte command and every control
// request of the default scanner, the bus variants, the faults and the request log. Expected
// bytes are written out from the scanner's and the driver's formats, not taken from the model.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "tests/sim/sim_fixture.h"
#include "utility/port/qxusb_contract.h"
#include "utility/port/qxusb_virtual_driver.h"

namespace qx::qxusb {
namespace {

using Bytes = std::vector<std::uint8_t>;
using simtest::Hex;

// Text bytes, optionally followed by the block's NUL.
Bytes T(const std::string& text, bool nul = true) {
  Bytes b(text.begin(), text.end());
  if (nul) b.push_back(0x00);
  return b;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}
Bytes Utf16(const std::string& text) {
  Bytes b;
  for (char c : text) {
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
  }
  return b;
}

const Bytes kPrefix{0x00, 0x00, 0x00, 0x00, 0x00, 0x1B, 0x3D, 0x01, 0x1B, 0x40};
const char kDevicePath[] = "\\\\?\\usb#vid_2f4e&pid_7000#R7K0A1234567#{5dd901c0-bcf4-11d1-9738-008029e6a5b3}";

class VirtualDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(simtest::FindRunningSim(&sim_, &why)) << why;
    UseProfile("default.json");
    driver_ = std::make_unique<VirtualDriver>(sim_.link);
  }
  void TearDown() override {
    if (driver_ != nullptr) {
      for (DriverHandle h : opened_) driver_->Close(h);
    }
  }

  void UseProfile(const std::string& name) {
    ASSERT_TRUE(simtest::SimControlOk(sim_.control, "profile " + name)) << name;
    ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault clear"));
    ASSERT_TRUE(simtest::SimControlOk(sim_.control, "clear-log"));
  }
  void Fault(const std::string& spec) { ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault " + spec)) << spec; }

  // Opens a function of the member-th device with the utility's timings: reads wait 10 ms.
  DriverHandle Open(std::uint32_t member = 0, const char* function = "\\QX") {
    char path[kDevicePathSize];
    EXPECT_EQ(driver_->Enumerate(member, path, sizeof path), DriverStatus::kOk);
    std::string functionPath = std::string(path) + function;
    DriverHandle h = kInvalidDriverHandle;
    EXPECT_EQ(driver_->Open(functionPath.c_str(), &h), DriverStatus::kOk) << functionPath;
    if (h == kInvalidDriverHandle) return h;
    opened_.push_back(h);
    SetTimeouts(h, 0, 10);
    return h;
  }
  void SetTimeouts(DriverHandle h, std::uint32_t readMultiplier, std::uint32_t readConstant) {
    std::uint32_t block[8] = {readMultiplier, readConstant, 0, 2000, 0, 0, 0, 0};
    std::uint32_t returned = 99;
    EXPECT_TRUE(driver_->Control(h, kSetTimeouts, block, sizeof block, nullptr, 0, &returned));
    EXPECT_EQ(returned, 0u);
  }

  void Send(DriverHandle h, const Bytes& bytes) {
    std::uint32_t written = 0;
    ASSERT_EQ(driver_->Write(h, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written), DriverStatus::kOk);
    ASSERT_EQ(written, bytes.size());
  }
  // Reads until `want` bytes have come, or nothing more comes for a while.
  Bytes Receive(DriverHandle h, std::size_t want, std::uint32_t capacity = 512) {
    Bytes got;
    int quiet = 0;
    while (got.size() < want || (want == 0 && quiet < 5)) {
      Bytes buffer(capacity);
      std::uint32_t n = 0;
      if (driver_->Read(h, buffer.data(), capacity, &n) != DriverStatus::kOk) break;
      got.insert(got.end(), buffer.begin(), buffer.begin() + n);
      quiet = n == 0 ? quiet + 1 : 0;
      if (quiet > 100) break;
    }
    return got;
  }
  // One request transaction as the utility makes it: prefix, command, reply.
  Bytes Request(DriverHandle h, const Bytes& command, std::size_t want) {
    Send(h, kPrefix);
    Send(h, command);
    return Receive(h, want);
  }
  void ExpectReply(DriverHandle h, const Bytes& command, const Bytes& expected) {
    Bytes got = Request(h, command, expected.size());
    EXPECT_EQ(got, expected) << "command " << Hex(command) << "\n  got      " << Hex(got) << "\n  expected "
                             << Hex(expected);
    // Nothing beyond the reply.
    EXPECT_TRUE(Receive(h, 0).empty());
  }
  Bytes ControlOut(DriverHandle h, std::uint32_t code, std::uint32_t size, bool* ok) {
    Bytes out(size, 0xEE);
    std::uint32_t returned = 0;
    *ok = driver_->Control(h, code, nullptr, 0, out.data(), size, &returned);
    out.resize(returned);
    return out;
  }
  std::vector<std::string> Log() { return simtest::SimControl(sim_.control, "log"); }
  bool LogHas(const std::string& line) {
    for (const std::string& l : Log()) {
      if (l == "log " + line) return true;
    }
    return false;
  }

  simtest::SimAddresses sim_;
  std::unique_ptr<VirtualDriver> driver_;
  std::vector<DriverHandle> opened_;
};

struct Dialogue {
  const char* what;
  Bytes command;
  Bytes reply;
};

TEST_F(VirtualDriverTest, EveryByteCommandOfTheDefaultScannerGetsItsReply) {
  DriverHandle h = Open();
  const Dialogue kTable[] = {
      {"firmware version", {0x1D, 'I', 0x41}, T("_1.05.08")},
      {"company name", {0x1D, 'I', 0x42}, T("_NORVA")},
      {"device name", {0x1D, 'I', 0x43}, T("_QX-R7000")},
      {"serial number", {0x1D, 'I', 0x44}, T("_R7K0A1234567")},
      // 0x40 | 60 dpm (bits 1-2 = 01) | waterfall (bit 4) | two pockets (bit 5 clear)
      {"options", {0x1D, 'I', 'p'}, {'_', 0x52, 0x00}},
      // fourth byte bit 3: multi feed
      {"scanner type", {0x1D, 'I', '!'}, {'=', 0x40, 0x40, 0x48, 0x00}},
      {"model identity (normal state)", {0x1D, 'I', 0x01}, {0x20}},
      // franker installed (byte 4 bit 1 clear), pockets not near full, no paper at the ASF
      {"automatic status", {0x1D, 'a', 0x26}, {0x10, 0x00, 0x4A, 0x00}},
      {"original version", {0x1C, '|', 0x7F, 'o', 0x15, 0xEA, 0x8A, 0x01, 0x00, 0x0E}, T("1R7000-ORG 2.10")},
      {"boot mode (normal)", {0x1C, '|', 0x7F, 'o', 0x15, 0xEA, 0x8A, 0x01, 0x00, 0x1E}, T("1")},
      {"calibration flag", {0x1C, '|', 0x7F, 'o', 'f', 0x99, '3', 0x00, 0x00}, T("11")},
      {"AD voltage", {0x1C, '|', 0x7F, 'o', 0x0A, 0xF5, 0x05, 0x01, 0x00, 2}, T("1B4")},
      {"AD paper length", {0x1C, '|', 0x7F, 'o', 0x0A, 0xF5, 0x05, 0x01, 0x00, 4}, T("1D2")},
      {"AD middle", {0x1C, '|', 0x7F, 'o', 0x0A, 0xF5, 0x05, 0x01, 0x00, 5}, T("124")},
      {"AD franking", {0x1C, '|', 0x7F, 'o', 0x0A, 0xF5, 0x05, 0x01, 0x00, 6}, T("11E")},
      {"AD eject", {0x1C, '|', 0x7F, 'o', 0x0A, 0xF5, 0x05, 0x01, 0x00, 7}, T("1C8")},
      // 0x0234 travels low byte first
      {"AD double feed", {0x1C, '|', 0x7F, 'o', 0x0A, 0xF5, 0x05, 0x01, 0x00, 9}, T("13402")},
      {"hopper position", {0x1C, '|', 0x7F, 'o', 'h', 0x97, '4', 0x02, 0x00, 0x02, 0}, T("130")},
      {"stamp position", {0x1C, '|', 0x7F, 'o', 'h', 0x97, '4', 0x02, 0x00, 0x02, 1}, T("130")},
      {"separation plate position", {0x1C, '|', 0x7F, 'o', 'h', 0x97, '4', 0x02, 0x00, 0x02, 2}, T("130")},
      {"threshold ASF", {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 10, 245}, T("190")},
      {"threshold paper length", {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 11, 244}, T("180")},
      {"threshold middle", {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 12, 243}, T("180")},
      {"threshold franking", {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 13, 242}, T("180")},
      {"threshold eject", {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 14, 241}, T("170")},
      {"threshold double feed absent", {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 15, 240}, T("10002")},
      {"threshold double feed present", {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 16, 239}, T("12001")},
      {"threshold CIS difference", {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 17, 238}, T("10C")},
      {"threshold SPI", {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 18, 237}, T("10300")},
      {"counter hour", {0x1D, 'g', '2', 0x00, 70, 0x00}, T("_1520")},
      {"counter scan", {0x1D, 'g', '2', 0x00, 60, 0x00}, T("_48213")},
      {"counter hopper", {0x1D, 'g', '2', 0x00, 61, 0x00}, T("_47950")},
      {"counter franking", {0x1D, 'g', '2', 0x00, 62, 0x00}, T("_12044")},
      {"counter pocket", {0x1D, 'g', '2', 0x00, 63, 0x00}, T("_47890")},
      {"counter hour since", {0x1D, 'g', '2', 0x00, 198, 0x00}, T("_37")},
      {"counter scan since", {0x1D, 'g', '2', 0x00, 188, 0x00}, T("_1206")},
      {"counter hopper since", {0x1D, 'g', '2', 0x00, 189, 0x00}, T("_1190")},
      {"counter franking since", {0x1D, 'g', '2', 0x00, 190, 0x00}, T("_310")},
      {"counter pocket since", {0x1D, 'g', '2', 0x00, 191, 0x00}, T("_1188")},
      {"counter not kept", {0x1D, 'g', '2', 0x00, 1, 0x00}, T("_")},
      {"NV 1", {0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '#', '1'}, T("7p@BRANCH 0042 TELLER 3")},
      {"NV 2", {0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '#', '2'}, T("7p@INSTALLED 2006-03-14")},
      {"NV 3", {0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '#', '3'}, T("7p@SERVICE CONTRACT SC-77812")},
      {"NV 4", {0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '#', '4'}, T("7p@LAST CLEANING 2007-01-22")},
      {"NV 5 empty", {0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '#', '5'}, T("7p@")},
      {"NV 8 empty", {0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '#', '8'}, T("7p@")},
      {"NV 9", {0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '#', '9'}, T("7p@ASSET TAG 00-4471")},
      {"mode query: switch off", {0x1C, '|', 'M', 0xA2, 0x1E}, {'1', 0x40, 0x00}},
      {"calibration mode entry", Cat({{0x1C, '|', 'M', 0xA0}, T("MODEIN", false)}), {'1', 0x81, 0x00}},
      {"calibration mode exit", Cat({{0x1C, '|', 'M', 0xA1}, T("MODEOUT", false)}), {'1', 0x81, 0x00}},
      {"unknown command is skipped", {0x1D, 'Z', 0x01}, {}},
      {"unknown identity item", {0x1D, 'I', 0x7A}, {}},
      {"AD channel that does not exist", {0x1C, '|', 0x7F, 'o', 0x0A, 0xF5, 0x05, 0x01, 0x00, 3}, {}},
      {"threshold with a wrong check byte", {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 10, 10}, {}},
      {"status request outside status-exchange mode", {0x10, 0x14, 0x07, 0x01}, {}},
  };
  for (const Dialogue& d : kTable) {
    SCOPED_TRACE(d.what);
    ExpectReply(h, d.command, d.reply);
  }
}

TEST_F(VirtualDriverTest, CommandsSplitAcrossWritesAreAnsweredOnceComplete) {
  DriverHandle h = Open();
  Send(h, kPrefix);
  Send(h, {0x1C, '|', 0x7F, 'o'});
  EXPECT_TRUE(Receive(h, 0).empty());
  Send(h, {0x0A, 0xF5, 0x05, 0x01, 0x00, 2});
  EXPECT_EQ(Receive(h, 5), T("1B4"));
}

TEST_F(VirtualDriverTest, ErrorHistoryComesInBlocksEachAcknowledged) {
  DriverHandle h = Open();
  const Bytes command{0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '!', 'E'};
  // 32 characters per block; the list is "E101:PAPER JAM,E203:DBL FEED,E101:PAPER JAM,E310:COVER OPEN,".
  ExpectReply(h, command, T("7pAE101:PAPER JAM,E203:DBL FEED,E10"));
  Send(h, {0x06});
  EXPECT_EQ(Receive(h, 32), T("7p@1:PAPER JAM,E310:COVER OPEN,"));
  // The transfer is over: another ACK gets nothing.
  Send(h, {0x06});
  EXPECT_TRUE(Receive(h, 0).empty());
}

TEST_F(VirtualDriverTest, CalibrationTransferRunsInBlocksUntilNul) {
  DriverHandle h = Open();
  // Face calibration values, 8 bytes at 0x0660: header pairs 06 60 08, trailer 96 = low byte of
  // 2A+18+6C+00+01+9C+48+03.
  ExpectReply(h, {0x1C, '+', 0x00, 0x60, 0x06, ']', 0x00, 0x08, 0x00, 0x00, 0x00},
              Cat({{'1', 0x81}, T("S20C0660082A186C00019C480396", false)}));
  Send(h, {0x81});
  EXPECT_EQ(Receive(h, 1), Bytes{0x00});

  // Other calibration values, 4 zero bytes at 0x0CD0.
  ExpectReply(h, {0x1C, '+', 0x00, 0xD0, 0x0C, ']', 0x00, 0x04, 0x00, 0x00, 0x00},
              Cat({{'1', 0x81}, T("S2080CD0040000000000", false)}));
  Send(h, {0x81});
  EXPECT_EQ(Receive(h, 1), Bytes{0x00});

  // The face brightness table, 816 bytes: six blocks of 128 values and one of 48.
  Send(h, kPrefix);
  Send(h, {0x1C, '+', 0x00, 0x00, 0x00, ']', 0x00, 0x30, 0x03, 0x00, 0x00});
  Bytes first = Receive(h, 2 + 4 + 2 * 0x84);
  ASSERT_EQ(first.size(), 2u + 4 + 2 * 0x84);
  EXPECT_EQ(Bytes(first.begin(), first.begin() + 24), Cat({{'1', 0x81}, T("S2840000" "80" "D0CED0D2CED0", false)}));
  std::size_t blocks = 1;
  for (;;) {
    Send(h, {0x81});
    Bytes next = Receive(h, 1);
    ASSERT_FALSE(next.empty());
    if (next[0] == 0x00) break;
    ++blocks;
    Bytes rest = Receive(h, blocks == 7 ? 2 + 2 + 2 * 0x34 - next.size() : 2 + 2 + 2 * 0x84 - next.size());
    next.insert(next.end(), rest.begin(), rest.end());
    if (blocks == 7) {
      // The last block: 48 values from 0x0300, ending in ...CFCFD2D2 and the trailer pair.
      ASSERT_EQ(next.size(), 4u + 2 * 0x34);
      EXPECT_EQ(Bytes(next.begin(), next.begin() + 10), T("S234030030", false));
      EXPECT_EQ(Bytes(next.end() - 10, next.end() - 2), T("CFCFD2D2", false));
    } else {
      ASSERT_EQ(next.size(), 4u + 2 * 0x84) << "block " << blocks;
    }
  }
  EXPECT_EQ(blocks, 7u);
}

TEST_F(VirtualDriverTest, ErrorCauseRequestsTravelOnlyInStatusExchangeMode) {
  DriverHandle h = Open();
  std::uint16_t two = 2, zero = 0;
  std::uint32_t returned;
  ExpectReply(h, {0x10, 0x14, 0x07, 0x01}, {});
  ASSERT_TRUE(driver_->Control(h, kSetStatusExchangeMode, &two, 2, nullptr, 0, &returned));
  ExpectReply(h, {0x10, 0x14, 0x07, 0x01}, {0x00, 0x00, 0x00, 0x00});
  ExpectReply(h, {0x10, 0x14, 0x07, 0x04}, {'7', '#', 0x40, 0x40, 0x40, 0x40, 0x40, 0x00});
  ASSERT_TRUE(driver_->Control(h, kSetStatusExchangeMode, &zero, 2, nullptr, 0, &returned));
  ExpectReply(h, {0x10, 0x14, 0x07, 0x04}, {});
}

TEST_F(VirtualDriverTest, EachErrorCauseProfileReportsItsStatusBytes) {
  struct Case {
    const char* profile;
    Bytes status;
    Bytes detail;
  };
  const Case kCases[] = {
      {"error-403.json", {0x20, 0x00, 0x00, 0x00}, {'7', '#', 0x40, 0x40, 0x40, 0x40, 0x40, 0x00}},
      {"error-406.json", {0x00, 0x01, 0x20, 0x00}, {'7', '#', 0x40, 0x40, 0x40, 0x40, 0x40, 0x00}},
      {"error-412.json", {0x00, 0x04, 0x00, 0x00}, {'7', '#', 0x40, 0x40, 0x40, 0x41, 0x40, 0x00}},
      {"error-code-0.json", {0x00, 0x04, 0x00, 0x00}, {'7', '#', 0x40, 0x40, 0x40, 0x40, 0x40, 0x00}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.profile);
    UseProfile(c.profile);
    DriverHandle h = Open();
    bool ok = false;
    // Not ready: the utility's ready check fails, so its gather ends in the error-cause query.
    EXPECT_EQ(ControlOut(h, kGetXbStatus, 2, &ok), (Bytes{0x01, 0x00}));
    EXPECT_TRUE(ok);
    std::uint32_t two = 2, returned;
    ASSERT_TRUE(driver_->Control(h, kSetStatusExchangeMode, &two, 4, nullptr, 0, &returned));
    ExpectReply(h, {0x10, 0x14, 0x07, 0x01}, c.status);
    ExpectReply(h, {0x10, 0x14, 0x07, 0x04}, c.detail);
  }
}

TEST_F(VirtualDriverTest, SpecialModeProfilesAnswerTheDeviceStateExchange) {
  struct Case {
    const char* profile;
    Bytes counterReply;
    Bytes modeReply;
  };
  const Case kCases[] = {
      {"special-switch-on.json", {}, {'1', 0x41, 0x00}},
      {"special-switch-off.json", {}, {'1', 0x40, 0x00}},
      {"special-counter.json", T("_48213"), {'1', 0x40, 0x00}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.profile);
    UseProfile(c.profile);
    DriverHandle h = Open();
    ExpectReply(h, {0x1D, 'I', 0x01}, {'1', 'o', 0x00});
    ExpectReply(h, {0x1D, 'g', '2', 0x00, 0x3C, 0x00}, c.counterReply);
    ExpectReply(h, {0x1C, '|', 'M', 0xA2, 0x1E}, c.modeReply);
    // Nothing else is answered in this mode.
    ExpectReply(h, {0x1D, 'I', 0x41}, {});
  }
}

TEST_F(VirtualDriverTest, OnePocketProfileReportsOnePocketAndNoFranker) {
  UseProfile("one-pocket.json");
  DriverHandle h = Open();
  // 0x40 | 30 dpm | no waterfall | one pocket (bit 5)
  ExpectReply(h, {0x1D, 'I', 'p'}, {'_', 0x60, 0x00});
  ExpectReply(h, {0x1D, 'I', '!'}, {'=', 0x40, 0x40, 0x40, 0x00});
  // franker not installed: byte 4 bit 1 set
  ExpectReply(h, {0x1D, 'a', 0x26}, {0x10, 0x00, 0x42, 0x02});
}

struct ControlCase {
  const char* what;
  std::uint32_t code;
  std::uint32_t outputSize;
  Bytes expected;
};

TEST_F(VirtualDriverTest, EveryControlRequestReturnsItsBytes) {
  DriverHandle h = Open();
  const Bytes kConfiguration{0x09, 0x02, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xE0, 0x01};
  const Bytes kInterface{0x09, 0x04, 0x00, 0x00, 0x04, 0xFF, 0x00, 0x00, 0x00};
  const Bytes kEndpointsHigh{0x07, 0x05, 0x01, 0x02, 0x00, 0x02, 0x00, 0x07, 0x05, 0x82, 0x02, 0x00, 0x02, 0x00,
                             0x07, 0x05, 0x83, 0x03, 0x08, 0x00, 0x04, 0x07, 0x05, 0x04, 0x02, 0x00, 0x02, 0x00};
  const Bytes kOtherSpeed{0x09, 0x07, 0x2E, 0x00, 0x01, 0x01, 0x00, 0xE0, 0x01};
  const Bytes kEndpointsFull{0x07, 0x05, 0x01, 0x02, 0x40, 0x00, 0x00, 0x07, 0x05, 0x82, 0x02, 0x40, 0x00, 0x00,
                             0x07, 0x05, 0x83, 0x03, 0x08, 0x00, 0x01, 0x07, 0x05, 0x04, 0x02, 0x40, 0x00, 0x00};
  const Bytes kStrings = Cat({{0x04, 0x03, 0x09, 0x04},
                              {0x0C, 0x03}, Utf16("NORVA"),
                              {0x12, 0x03}, Utf16("QX-R7000"),
                              {0x1A, 0x03}, Utf16("R7K0A1234567")});
  const Bytes kXbString = Cat({{0x1A, 0x03}, Utf16("R7K0A1234567")});
  const ControlCase kTable[] = {
      {"driver version 3.12", kGetDriverVersion, 4, {0x12, 0x03, 0x00, 0x00}},
      {"second version word", kGetDriverVersion2, 4, {0x04, 0x00, 0x00, 0x00}},
      {"timeout block as set", kGetTimeouts, 32,
       {0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0xD0, 0x07, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"device descriptor", kGetDeviceDescriptor, 18,
       {0x12, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, 0x4E, 0x2F, 0x00, 0x70, 0x05, 0x01, 0x01, 0x02, 0x03, 0x01}},
      {"configuration descriptor", kGetConfigurationDescriptor, 9, kConfiguration},
      {"configuration set", kGetConfigurationDescriptor, 46, Cat({kConfiguration, kInterface, kEndpointsHigh})},
      {"string descriptors 512", kGetStringDescriptors, 512, kStrings},
      {"string descriptors 1024", kGetStringDescriptors, 1024, kStrings},
      {"device status: self powered", kGetDeviceStatus, 2, {0x01, 0x00}},
      {"device qualifier", kGetDeviceQualifier, 9, {0x0A, 0x06, 0x00, 0x02, 0x00, 0x00, 0x00, 0x40, 0x01}},
      {"other-speed configuration", kGetOtherSpeedConfiguration, 9, kOtherSpeed},
      {"other-speed set", kGetOtherSpeedConfiguration, 46, Cat({kOtherSpeed, kInterface, kEndpointsFull})},
      {"XB configuration word 2", kGetXbConfiguration, 2, {0x40, 0x11}},
      {"XB configuration word 4", kGetXbConfiguration, 4, {0x40, 0x11, 0x00, 0x00}},
      {"XB status 2: ready", kGetXbStatus, 2, {0x00, 0x00}},
      {"XB status 4", kGetXbStatus, 4, {0x00, 0x00, 0x00, 0x00}},
      {"XB string 256", kGetXbString, 256, kXbString},
      {"XB string 512", kGetXbString, 512, kXbString},
      {"written after time-out", kGetWrittenAfterTimeout, 4, {0x00, 0x00, 0x00, 0x00}},
      // mode 0, request 0, wait time 100, error 0
      {"time-out mode", kGetTimeoutMode, 4, {0x00, 0x40, 0x06, 0x00}},
      {"host controller EHCI", kGetHostControllerType, 4, {0x02, 0x00, 0x00, 0x00}},
      {"suspend setting", kGetSuspendSetting, 4, {0x00, 0x00, 0x00, 0x00}},
  };
  for (const ControlCase& c : kTable) {
    SCOPED_TRACE(c.what);
    bool ok = false;
    Bytes got = ControlOut(h, c.code, c.outputSize, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(got, c.expected) << "\n  got      " << Hex(got) << "\n  expected " << Hex(c.expected);
  }
  std::uint8_t in[4] = {1, 2, 3, 4}, out[4];
  std::uint32_t returned = 0;
  EXPECT_TRUE(driver_->Control(h, kDeviceCheck, in, 4, out, 4, &returned));
  EXPECT_EQ(returned, 4u);
  std::uint16_t two = 2;
  EXPECT_TRUE(driver_->Control(h, kSetStatusExchangeMode, &two, 2, nullptr, 0, &returned));
}

TEST_F(VirtualDriverTest, UnknownCodesAndWrongBufferSizesFail) {
  DriverHandle h = Open();
  bool ok = true;
  ControlOut(h, 0x222008, 4, &ok);
  EXPECT_FALSE(ok) << "unknown code";
  ControlOut(h, kGetDriverVersion, 2, &ok);
  EXPECT_FALSE(ok) << "version into 2 bytes";
  ControlOut(h, kGetDeviceDescriptor, 17, &ok);
  EXPECT_FALSE(ok) << "device descriptor into 17 bytes";
  ControlOut(h, kGetConfigurationDescriptor, 8, &ok);
  EXPECT_FALSE(ok) << "configuration into 8 bytes";
  ControlOut(h, kGetTimeouts, 16, &ok);
  EXPECT_FALSE(ok) << "timeout block into 16 bytes";
  std::uint32_t returned;
  std::uint8_t block[16] = {};
  EXPECT_FALSE(driver_->Control(h, kSetTimeouts, block, 16, nullptr, 0, &returned)) << "short timeout block";
  std::uint32_t one = 1;
  EXPECT_FALSE(driver_->Control(h, kSetStatusExchangeMode, &one, 4, nullptr, 0, &returned)) << "mode 1";
  EXPECT_FALSE(driver_->Control(h, kSetStatusExchangeMode, &one, 3, nullptr, 0, &returned)) << "3-byte mode";
  std::uint8_t out[4];
  EXPECT_FALSE(driver_->Control(h, kDeviceCheck, nullptr, 0, out, 4, &returned)) << "device check without input";
  // The handle still works after failed requests.
  Bytes version = ControlOut(h, kGetDriverVersion, 4, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(version, (Bytes{0x12, 0x03, 0x00, 0x00}));
}

TEST_F(VirtualDriverTest, ReadWaitsTheHandlesTimeoutBlock) {
  DriverHandle h = Open();
  bool ok = false;
  // The driver's defaults until a block is set: read 5 x n + 50, write 5 x n + 2000.
  char path[kDevicePathSize];
  ASSERT_EQ(driver_->Enumerate(0, path, sizeof path), DriverStatus::kOk);
  DriverHandle fresh = kInvalidDriverHandle;
  ASSERT_EQ(driver_->Open((std::string(path) + "\\QX").c_str(), &fresh), DriverStatus::kOk);
  opened_.push_back(fresh);
  EXPECT_EQ(ControlOut(fresh, kGetTimeouts, 32, &ok),
            (Bytes{5, 0, 0, 0, 50, 0, 0, 0, 5, 0, 0, 0, 0xD0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  // The read time-out sent with each read is the handle's: the log shows none, but a read of
  // a reply that comes 150 ms late succeeds with a block of 200 ms and not with one of 10 ms.
  Fault("delay 150");
  Send(h, kPrefix);
  Send(h, {0x1D, 'I', 0x42});
  Bytes buffer(512);
  std::uint32_t n = 99;
  ASSERT_EQ(driver_->Read(h, buffer.data(), 512, &n), DriverStatus::kOk);
  EXPECT_EQ(n, 0u);
  SetTimeouts(h, 0, 2000);
  ASSERT_EQ(driver_->Read(h, buffer.data(), 7, &n), DriverStatus::kOk);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + n), T("_NORVA"));
}

TEST_F(VirtualDriverTest, BusProfilesEnumerateAndOpenAsTheDriverWould) {
  char path[kDevicePathSize];
  ASSERT_EQ(driver_->Enumerate(0, path, sizeof path), DriverStatus::kOk);
  EXPECT_STREQ(path, kDevicePath);
  EXPECT_EQ(driver_->Enumerate(1, path, sizeof path), DriverStatus::kNoMoreItems);
  // A short buffer gets a bounded, terminated copy.
  char small[8];
  ASSERT_EQ(driver_->Enumerate(0, small, sizeof small), DriverStatus::kOk);
  EXPECT_STREQ(small, "\\\\?\\usb");

  DriverHandle display = Open(0, "\\KD");
  EXPECT_NE(display, kInvalidDriverHandle);
  DriverHandle h = kInvalidDriverHandle;
  EXPECT_EQ(driver_->Open((std::string(kDevicePath) + "\\XX").c_str(), &h), DriverStatus::kNotFound);
  EXPECT_EQ(driver_->Open("\\\\?\\usb#nothing\\QX", &h), DriverStatus::kNotFound);
  EXPECT_EQ(h, kInvalidDriverHandle);

  UseProfile("two-scanners.json");
  ASSERT_EQ(driver_->Enumerate(1, path, sizeof path), DriverStatus::kOk);
  EXPECT_STREQ(path, "\\\\?\\usb#vid_2f4e&pid_7000#R7K0A7654321#{5dd901c0-bcf4-11d1-9738-008029e6a5b3}");
  DriverHandle second = Open(1);
  ExpectReply(second, {0x1D, 'I', 0x44}, T("_R7K0A7654321"));

  UseProfile("busy-scanner.json");
  ASSERT_EQ(driver_->Enumerate(0, path, sizeof path), DriverStatus::kOk);
  EXPECT_EQ(driver_->Open((std::string(path) + "\\QX").c_str(), &h), DriverStatus::kBusy);
  EXPECT_EQ(h, kInvalidDriverHandle);

  UseProfile("no-scanner.json");
  EXPECT_EQ(driver_->Enumerate(0, path, sizeof path), DriverStatus::kNoMoreItems);
  EXPECT_STREQ(path, "");
}

TEST_F(VirtualDriverTest, DriverProfilesReportOldDriverAndForeignHostController) {
  UseProfile("driver-old.json");
  DriverHandle h = Open();
  bool ok = false;
  EXPECT_EQ(ControlOut(h, kGetDriverVersion, 4, &ok), (Bytes{0x10, 0x02, 0x00, 0x00}));
  UseProfile("host-controller-other.json");
  h = Open();
  EXPECT_EQ(ControlOut(h, kGetHostControllerType, 4, &ok), (Bytes{0xFF, 0x00, 0x00, 0x00}));
}

TEST_F(VirtualDriverTest, EchoAndSinkDevicesStreamBytes) {
  UseProfile("echo.json");
  DriverHandle h = Open();
  Bytes data(3000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  Send(h, data);
  EXPECT_EQ(Receive(h, data.size(), 1024), data);
  UseProfile("sink.json");
  h = Open();
  Send(h, data);
  EXPECT_TRUE(Receive(h, 0).empty());
}

TEST_F(VirtualDriverTest, ReplyFaultsChangeTheReplyAsNamed) {
  const Bytes firmware{0x1D, 'I', 0x41};
  struct Case {
    const char* fault;
    Bytes reply;
    const char* logged;  // what the request log shows leaving the device
  };
  const Case kCases[] = {
      {"no-reply", {}, "reply-suppressed 0 5F312E30352E303800"},
      {"cut 3", T("_1.", false), "reply 0 5F312E"},
      {"xon-xoff", Cat({{'_', 0x11}, T("1.05.08", false), {0x13, 0x00}}), "reply 0 5F11312E30352E30381300"},
      {"wrong-header", T("?1.05.08"), "reply 0 3F312E30352E303800"},
      {"wrong-header 0x3D", T("=1.05.08"), "reply 0 3D312E30352E303800"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.fault);
    UseProfile("default.json");
    DriverHandle h = Open();
    Fault(c.fault);
    ExpectReply(h, firmware, c.reply);
    EXPECT_TRUE(LogHas("command 0 identity 1D4941"));
    EXPECT_TRUE(LogHas(c.logged));
  }
  UseProfile("default.json");
  DriverHandle h = Open();
  Fault("long-header 600");
  Bytes got = Request(h, firmware, 600);
  ASSERT_EQ(got.size(), 600u);
  EXPECT_EQ(Bytes(got.begin(), got.begin() + 8), T("_1.05.08", false));
  EXPECT_EQ(got[8], '-');
  EXPECT_EQ(got[599], 0x00);
  EXPECT_EQ(std::count(got.begin(), got.end(), 0x00), 1);
}

TEST_F(VirtualDriverTest, FaultsLimitedToACommandLeaveOthersAlone) {
  DriverHandle h = Open();
  Fault("cut 2 on 1D4942");
  ExpectReply(h, {0x1D, 'I', 0x41}, T("_1.05.08"));
  ExpectReply(h, {0x1D, 'I', 0x42}, T("_N", false));
}

TEST_F(VirtualDriverTest, BytePerReadDeliversOneByteEachRead) {
  DriverHandle h = Open();
  Fault("byte-per-read");
  Send(h, kPrefix);
  Send(h, {0x1D, 'I', 0x42});
  Bytes got;
  for (int i = 0; i < 50 && got.size() < 7; ++i) {
    std::uint8_t buffer[64];
    std::uint32_t n = 0;
    ASSERT_EQ(driver_->Read(h, buffer, sizeof buffer, &n), DriverStatus::kOk);
    ASSERT_LE(n, 1u);
    got.insert(got.end(), buffer, buffer + n);
  }
  EXPECT_EQ(got, T("_NORVA"));
}

TEST_F(VirtualDriverTest, DelayedReplyComesOnlyAfterItsDelay) {
  DriverHandle h = Open();
  Fault("delay 300");
  Send(h, kPrefix);
  Send(h, {0x1D, 'I', 0x42});
  std::uint8_t buffer[64];
  std::uint32_t n = 99;
  ASSERT_EQ(driver_->Read(h, buffer, sizeof buffer, &n), DriverStatus::kOk);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(Receive(h, 7), T("_NORVA"));
}

// A reply read a byte at a time, as the request protocol reads it, takes one round trip: the
// read of the first byte and, in the same exchange, a read of what else has come; the rest waits
// in the driver, where later reads find it first.
TEST_F(VirtualDriverTest, AReplyReadByteByByteCrossesTheLinkOnce) {
  DriverHandle h = Open();
  ASSERT_TRUE(simtest::SimControlOk(sim_.control, "clear-log"));
  Send(h, kPrefix);
  Send(h, {0x1D, 'I', 0x42});
  Bytes got;
  for (int i = 0; i < 7; ++i) {
    std::uint8_t byte = 0;
    std::uint32_t n = 99;
    ASSERT_EQ(driver_->Read(h, &byte, 1, &n), DriverStatus::kOk);
    ASSERT_EQ(n, 1u);
    got.push_back(byte);
  }
  EXPECT_EQ(got, T("_NORVA"));
  int reads = 0;
  for (const std::string& line : Log()) reads += line.rfind("log read ", 0) == 0 ? 1 : 0;
  EXPECT_EQ(reads, 2);
  EXPECT_TRUE(LogHas("read 0 5F"));
  EXPECT_TRUE(LogHas("read 0 4E4F52564100"));
  // Nothing is left over for a drain, and a read of nothing is answered at once.
  EXPECT_TRUE(Receive(h, 0, 128).empty());
  std::uint32_t n = 99;
  EXPECT_EQ(driver_->Read(h, got.data(), 0, &n), DriverStatus::kOk);
  EXPECT_EQ(n, 0u);
}

TEST_F(VirtualDriverTest, BytesFetchedAheadComeBeforeEveryLaterByte) {
  DriverHandle h = Open();
  Send(h, kPrefix);
  Send(h, {0x1D, 'I', 0x42});
  std::uint8_t first = 0;
  std::uint32_t n = 0;
  ASSERT_EQ(driver_->Read(h, &first, 1, &n), DriverStatus::kOk);
  ASSERT_EQ(n, 1u);
  EXPECT_EQ(first, '_');
  // A second reply queues behind what the driver holds: a drain-sized read gets both, in order.
  Send(h, kPrefix);
  Send(h, {0x1D, 'I', 0x43});
  EXPECT_EQ(Receive(h, 16, 128), Cat({T("NORVA"), T("_QX-R7000")}));
  // A read larger than what is held takes it and waits for the rest from the device.
  Send(h, kPrefix);
  Send(h, {0x1D, 'I', 0x42});
  ASSERT_EQ(driver_->Read(h, &first, 1, &n), DriverStatus::kOk);
  Bytes buffer(6);
  ASSERT_EQ(driver_->Read(h, buffer.data(), 6, &n), DriverStatus::kOk);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + n), T("NORVA"));
}

TEST_F(VirtualDriverTest, ADeviceRemovedMidReplyStillDeliversTheBytesThatCame) {
  DriverHandle h = Open();
  Fault("drop 4");
  Send(h, kPrefix);
  Send(h, {0x1D, 'I', 0x41});
  Bytes got;
  std::uint8_t byte = 0;
  std::uint32_t n = 0;
  while (got.size() < 10 && driver_->Read(h, &byte, 1, &n) == DriverStatus::kOk && n == 1) got.push_back(byte);
  EXPECT_EQ(got, T("_1.0", false));
  n = 99;
  EXPECT_EQ(driver_->Read(h, &byte, 1, &n), DriverStatus::kFailed);
  EXPECT_EQ(n, 0u);
  std::uint32_t written = 99;
  EXPECT_EQ(driver_->Write(h, kPrefix.data(), 10, &written), DriverStatus::kFailed);
  EXPECT_TRUE(LogHas("removed 0"));
}

TEST_F(VirtualDriverTest, DroppedLinkFailsLaterCallsLikeARemovedDevice) {
  DriverHandle h = Open();
  DriverHandle display = Open(0, "\\KD");
  Fault("drop 4");
  Bytes got = Request(h, {0x1D, 'I', 0x41}, 9);
  EXPECT_EQ(got, T("_1.0", false));
  std::uint8_t buffer[16];
  std::uint32_t n = 99, written = 99, returned = 99;
  EXPECT_EQ(driver_->Read(h, buffer, sizeof buffer, &n), DriverStatus::kFailed);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(driver_->Write(h, kPrefix.data(), 10, &written), DriverStatus::kFailed);
  EXPECT_EQ(written, 0u);
  std::uint8_t out[4];
  EXPECT_FALSE(driver_->Control(h, kGetXbStatus, nullptr, 0, out, 4, &returned));
  EXPECT_FALSE(driver_->Control(display, kGetXbStatus, nullptr, 0, out, 4, &returned));
  char path[kDevicePathSize];
  EXPECT_EQ(driver_->Enumerate(0, path, sizeof path), DriverStatus::kNoMoreItems);
  EXPECT_TRUE(LogHas("removed 0"));
  // Plugged in again.
  UseProfile("default.json");
  DriverHandle again = Open();
  ExpectReply(again, {0x1D, 'I', 0x42}, T("_NORVA"));
}

TEST_F(VirtualDriverTest, CallsFromSeveralThreadsOnOneHandleTakeTurnsOnItsLink) {
  // The link carries one request and its answer at a time; two threads asking at once must each
  // get their own answer, and the link must stay alive.
  DriverHandle h = Open();
  ASSERT_NE(h, kInvalidDriverHandle);
  std::atomic<int> failures{0};
  auto ask = [&] {
    for (int i = 0; i < 200; ++i) {
      std::uint32_t version = 0;
      std::uint32_t returned = 0;
      if (!driver_->Control(h, kGetDriverVersion, nullptr, 0, &version, sizeof version, &returned) ||
          returned != sizeof version) {
        failures.fetch_add(1);
      }
      std::uint8_t buffer[16];
      std::uint32_t got = 0;
      if (driver_->Read(h, buffer, sizeof buffer, &got) != DriverStatus::kOk) failures.fetch_add(1);
    }
  };
  std::thread other(ask);
  ask();
  other.join();
  EXPECT_EQ(failures.load(), 0);
  bool ok = false;
  ControlOut(h, kGetDriverVersion, 4, &ok);
  EXPECT_TRUE(ok);
}

TEST_F(VirtualDriverTest, WriteTimeoutReportsTheCountThroughItsRequest) {
  DriverHandle h = Open();
  Fault("write-timeout 3");
  std::uint32_t written = 99;
  EXPECT_EQ(driver_->Write(h, kPrefix.data(), 10, &written), DriverStatus::kSemTimeout);
  EXPECT_EQ(written, 0u);
  bool ok = false;
  EXPECT_EQ(ControlOut(h, kGetWrittenAfterTimeout, 4, &ok), (Bytes{3, 0, 0, 0}));
  EXPECT_TRUE(ok);
}

TEST_F(VirtualDriverTest, RequestLogRecordsWhatTheDeviceReceived) {
  DriverHandle h = Open();
  ExpectReply(h, {0x1D, 'I', 0x43}, T("_QX-R7000"));
  bool ok;
  ControlOut(h, kGetDriverVersion, 4, &ok);
  std::vector<std::string> log = Log();
  auto has = [&log](const std::string& line) { return std::find(log.begin(), log.end(), "log " + line) != log.end(); };
  EXPECT_TRUE(has("open member 0 QX -> ok"));
  EXPECT_TRUE(has("write 0 Q 00000000001B3D011B40"));
  EXPECT_TRUE(has("write 0 Q 1D4943"));
  EXPECT_TRUE(has("command 0 identity 1D4943"));
  EXPECT_TRUE(has("reply 0 5F51582D523730303000"));
  EXPECT_TRUE(has("control 0 0x222000 in 0 out 4 -> ok 4"));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().rfind("ok", 0), 0u);
}

// The process's driver is the virtual one once QXR7000_SIM names the simulator (read at the
// first call, so this is the only test here that calls ProcessDriver).
TEST(ProcessDriver, IsTheSimulatorNamedByTheEnvironment) {
  simtest::SimAddresses sim;
  std::string why;
  ASSERT_TRUE(simtest::FindRunningSim(&sim, &why)) << why;
  ASSERT_TRUE(simtest::SimControlOk(sim.control, "profile default.json"));
  std::string address = "127.0.0.1:" + std::to_string(sim.link.port);
#ifdef _WIN32
  _putenv_s("QXR7000_SIM", address.c_str());
#else
  setenv("QXR7000_SIM", address.c_str(), 1);
#endif
  char path[kDevicePathSize];
  ASSERT_EQ(ProcessDriver().Enumerate(0, path, sizeof path), DriverStatus::kOk);
  EXPECT_STREQ(path, kDevicePath);
  DriverHandle h = kInvalidDriverHandle;
  ASSERT_EQ(ProcessDriver().Open((std::string(path) + "\\QX").c_str(), &h), DriverStatus::kOk);
  std::uint8_t version[4];
  std::uint32_t returned = 0;
  EXPECT_TRUE(ProcessDriver().Control(h, kGetDriverVersion, nullptr, 0, version, 4, &returned));
  EXPECT_EQ(Bytes(version, version + returned), (Bytes{0x12, 0x03, 0x00, 0x00}));
  ProcessDriver().Close(h);
}

}  // namespace
}  // namespace qx::qxusb
