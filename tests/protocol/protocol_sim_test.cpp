// The request protocol and the device connection against a running qxr7000-sim, through the port
// library and the process's QXUSB driver (the virtual one, named by QXR7000_SIM). Expected bytes
// are written out from the scanner's formats and the profiles' values, not taken from the code.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/sim/sim_fixture.h"
#include "utility/nodes/port_scanner_requests.h"
#include "utility/nodes/reply_reader.h"
#include "utility/nodes/scanner_replies.h"
#include "utility/port/port_api.h"
#include "utility/shell/device_connection.h"
#include "utility/shell/info_document.h"
#include "utility/shell/result_code.h"
#include "utility/shell/run_mode.h"

namespace qx {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kUsbPort = 2;
const Bytes kCompanyName{0x1D, 'I', 0x42};
const Bytes kDeviceName{0x1D, 'I', 0x43};
const Bytes kAutomaticStatus{0x1D, 'a', 0x26};
const Bytes kModelIdentity{0x1D, 'I', 0x01};
const Bytes kErrorHistory{0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '!', 'E'};
const Bytes kDoubleFeedReading{0x1C, '|', 0x7F, 'o', 0x0A, 0xF5, 0x05, 0x01, 0x00, 0x09};

Bytes Text(const std::string& text) {
  Bytes b(text.begin(), text.end());
  b.push_back(0x00);
  return b;
}

// One simulator for the whole run, named to the process's driver before its first use.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(simtest::FindRunningSim(&sim_, &why)) << why;
    std::string address = "127.0.0.1:" + std::to_string(sim_.link.port);
#ifdef _WIN32
    _putenv_s("QXR7000_SIM", address.c_str());
#else
    setenv("QXR7000_SIM", address.c_str(), 1);
#endif
    SetRunMode(kRunModeNormal);
  }
  void TearDown() override { SetRunMode(kRunModeNormal); }

  void UseProfile(const std::string& name) {
    ASSERT_TRUE(simtest::SimControlOk(sim_.control, "profile " + name)) << name;
    ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault clear"));
    ASSERT_TRUE(simtest::SimControlOk(sim_.control, "clear-log"));
  }
  void Fault(const std::string& spec) { ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault " + spec)) << spec; }
  void ClearLog() { ASSERT_TRUE(simtest::SimControlOk(sim_.control, "clear-log")); }

  std::vector<std::string> Log() { return simtest::SimControl(sim_.control, "log"); }
  int LogLinesWith(const std::string& part) {
    int n = 0;
    for (const std::string& line : Log()) n += line.find(part) != std::string::npos ? 1 : 0;
    return n;
  }

  simtest::SimAddresses sim_;
};

// A connection with the one scanner of the profile open on port 2.
class OpenScanner : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    if (HasFatalFailure()) return;
    Open("default.json");
  }
  void TearDown() override {
    if (started_) {
      connection_.Close();
      connection_.Shutdown();
    }
    SimTest::TearDown();
  }
  void Open(const std::string& profile) {
    if (started_) {
      connection_.Close();
      connection_.Shutdown();
    }
    UseProfile(profile);
    connection_.Startup();
    started_ = true;
    ASSERT_EQ(connection_.FindAndOpen(), DeviceConnection::kFoundOne);
    ClearLog();
  }

  int Request(const Bytes& command, Bytes* reply, ReplyRead read = ReplyRead::kReply,
              std::size_t capacity = kNodeReplySize) {
    reply->assign(capacity, 0xEE);
    std::size_t length = 99;
    int result = requests_.Request(kUsbPort, command.data(), command.size(), read, reply->data(), capacity, &length);
    reply->resize(length);
    return result;
  }

  DeviceConnection connection_;
  PortScannerRequests requests_;
  bool started_ = false;
};

// --- The request transaction and the reply reader ---

TEST_F(OpenScanner, XonAndXoffAnywhereInAReplyAreDroppedAndTheRestKept) {
  Fault("xon-xoff");
  Bytes reply;
  // XON after '_', XOFF before the NUL.
  EXPECT_EQ(Request(kCompanyName, &reply), kRequestDone);
  EXPECT_EQ(reply, Text("_NORVA"));
  EXPECT_EQ(Request(kDeviceName, &reply), kRequestDone);
  EXPECT_EQ(reply, Text("_QX-R7000"));
  // A one-byte reply gets XON in front of it.
  EXPECT_EQ(Request(kModelIdentity, &reply), kRequestDone);
  EXPECT_EQ(reply, Bytes{0x20});
  // Automatic status 10 00 4A 00 of the profile, with XON and XOFF between its bytes.
  EXPECT_EQ(Request(kAutomaticStatus, &reply, ReplyRead::kAutomaticStatus), kRequestDone);
  EXPECT_EQ(reply, (Bytes{0x10, 0x00, 0x4A, 0x00}));
  EXPECT_EQ(LogLinesWith("reply 0 5F114E4F5256411300"), 1) << "the simulator did not wrap the reply";

  // Every error-history block carries the two bytes; the list text comes through whole.
  char text[2048];
  std::size_t textLength = 0;
  ASSERT_EQ(requests_.ErrorHistoryTransfer(kUsbPort, kErrorHistory.data(), kErrorHistory.size(), text,
                                           sizeof text, &textLength),
            kRequestDone);
  // Two blocks of at most 32 characters, each with its XON and XOFF.
  EXPECT_EQ(std::string(text, textLength), "E101:PAPER JAM,E203:DBL FEED,E101:PAPER JAM,E310:COVER OPEN,");
  EXPECT_EQ(LogLinesWith("reply 0 3711704145313031"), 1);
}

TEST_F(OpenScanner, AHeaderBlockThatStopsHalfwayIsNoReply) {
  // "_NO" arrives, then nothing: ReadReply gives nothing at all, not the part.
  Fault("cut 3 on 1D4942");
  ASSERT_EQ(SendCommand(kUsbPort, kCompanyName.data(), kCompanyName.size()), kRequestDone);
  std::uint8_t buffer[kNodeReplySize];
  int count = 77;
  EXPECT_EQ(ReadReply(buffer, sizeof buffer, kUsbPort, &count), kReplyNothing);
  EXPECT_EQ(count, 0);
  EXPECT_GE(LogLinesWith("reply 0 5F4E4F"), 1);

  Bytes reply;
  EXPECT_EQ(Request(kCompanyName, &reply), kRequestNoReply);
  EXPECT_TRUE(reply.empty());
  // The next request is unaffected.
  EXPECT_EQ(Request(kDeviceName, &reply), kRequestDone);
  EXPECT_EQ(reply, Text("_QX-R7000"));
}

TEST_F(OpenScanner, AnOverlongHeaderBlockIsCutToTheBufferAndEndsWithItsNul) {
  Fault("long-header 600 on 1D4942");
  Bytes reply;
  ASSERT_EQ(Request(kCompanyName, &reply), kRequestDone);
  ASSERT_EQ(reply.size(), kNodeReplySize);
  Bytes expected = {'_', 'N', 'O', 'R', 'V', 'A'};
  expected.resize(kNodeReplySize - 1, '-');
  expected.push_back(0x00);
  EXPECT_EQ(reply, expected);
  // The excess was read on to its NUL: nothing of it is taken for the next reply.
  EXPECT_EQ(Request(kDeviceName, &reply), kRequestDone);
  EXPECT_EQ(reply, Text("_QX-R7000"));

  // The same block into a 260-byte buffer, and into one of a single byte.
  ASSERT_EQ(Request(kCompanyName, &reply, ReplyRead::kReply, kErrorHistoryBlockSize), kRequestDone);
  ASSERT_EQ(reply.size(), kErrorHistoryBlockSize);
  EXPECT_EQ(reply.back(), 0x00);
  EXPECT_EQ(reply[kErrorHistoryBlockSize - 2], '-');
  ASSERT_EQ(Request(kCompanyName, &reply, ReplyRead::kReply, 1), kRequestDone);
  EXPECT_EQ(reply, Bytes{0x00});
}

TEST_F(OpenScanner, AHeaderBlockThatNeverEndsIsCutOffAsBroken) {
#ifdef _WIN32
  // 65536 single-byte link round trips take about 90 s under Wine; the reader is the same code
  // natively, where this runs, and the fuzz target checks the bound in-process.
  GTEST_SKIP() << "native only: too slow under Wine";
#endif
  // 70000 bytes without a NUL within the reader's bound: no reply, no overflow, no hang.
  Fault("long-header 70000 on 1D4942");
  Bytes reply;
  EXPECT_EQ(Request(kCompanyName, &reply), kRequestNoReply);
  EXPECT_TRUE(reply.empty());
}

TEST_F(OpenScanner, AutomaticStatusIsReadByteByByteWithoutAHeaderCheck) {
  Fault("byte-per-read");
  Bytes reply;
  EXPECT_EQ(Request(kAutomaticStatus, &reply, ReplyRead::kAutomaticStatus), kRequestDone);
  EXPECT_EQ(reply, (Bytes{0x10, 0x00, 0x4A, 0x00}));
  // Three bytes and then nothing: no reply.
  Fault("cut 3 on 1D6126");
  EXPECT_EQ(Request(kAutomaticStatus, &reply, ReplyRead::kAutomaticStatus), kRequestNoReply);
  EXPECT_TRUE(reply.empty());
  // A header block read as automatic status: its first four bytes, the '_' not checked.
  EXPECT_EQ(Request(kCompanyName, &reply, ReplyRead::kAutomaticStatus), kRequestDone);
  EXPECT_EQ(reply, (Bytes{'_', 'N', 'O', 'R'}));
}

TEST_F(OpenScanner, HexadecimalReplyTextBecomesNumbers) {
  EXPECT_EQ(HexTextToInt("3412"), 0x3412);
  EXPECT_EQ(HexTextToInt(" -1F"), -31);
  EXPECT_EQ(HexTextToInt(""), 0);
  // The double-feed reading 0x0234 travels low byte first as "3402".
  Bytes reply;
  ASSERT_EQ(Request(kDoubleFeedReading, &reply), kRequestDone);
  EXPECT_EQ(reply, Text("13402"));
  int value = ReplyHexValue(reply.data(), reply.size(), 1, 4);
  EXPECT_EQ(value, 0x3402);
  EXPECT_EQ(SwapReplyBytes(value), 0x0234);
}

TEST_F(OpenScanner, CalibrationBlocksOfFourPairsCarryNoValueAndOfTwelvePairsEight) {
  Open("calibration-8-per-block.json");
  std::uint16_t values[16];
  std::size_t count = 99;
  // Count 0: one block of four pairs (address 06 60, 00 values, trailer 00), then NUL.
  ASSERT_EQ(requests_.CalibrationTransfer(kUsbPort, 0x0660, 0, values, 16, &count), kRequestDone);
  EXPECT_EQ(count, 0u);
  EXPECT_GE(LogLinesWith("reply 0 3181533230343036363030303030"), 1);

  // The face values: one block of twelve pairs (three header, eight values, trailer).
  ASSERT_EQ(requests_.CalibrationTransfer(kUsbPort, 0x0660, 8, values, 16, &count), kRequestDone);
  EXPECT_EQ(std::vector<std::uint16_t>(values, values + count),
            (std::vector<std::uint16_t>{0x2A, 0x18, 0x6C, 0x00, 0x01, 0x9C, 0x48, 0x03}));

  // 16 bytes from 0x0CC8 run past the end of the memory: the back values in a block of
  // twelve pairs, the other values in one of eight.
  ASSERT_EQ(requests_.CalibrationTransfer(kUsbPort, 0x0CC8, 16, values, 16, &count), kRequestDone);
  EXPECT_EQ(std::vector<std::uint16_t>(values, values + count),
            (std::vector<std::uint16_t>{0x27, 0x1B, 0x6A, 0x00, 0x01, 0xA4, 0x60, 0x03, 0, 0, 0, 0}));

  // XON after the first reply byte and XOFF before the block's last character: both dropped,
  // the block still read whole.
  Fault("xon-xoff");
  ASSERT_EQ(requests_.CalibrationTransfer(kUsbPort, 0x0660, 8, values, 16, &count), kRequestDone);
  EXPECT_EQ(std::vector<std::uint16_t>(values, values + count),
            (std::vector<std::uint16_t>{0x2A, 0x18, 0x6C, 0x00, 0x01, 0x9C, 0x48, 0x03}));
  ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault clear"));

  // A block that arrives one character per read is awaited to its end, not taken as missing.
  Fault("byte-per-read on 1C2B");
  Fault("byte-per-read on 81");
  ASSERT_EQ(requests_.CalibrationTransfer(kUsbPort, 0x0CC8, 16, values, 16, &count), kRequestDone);
  EXPECT_EQ(std::vector<std::uint16_t>(values, values + count),
            (std::vector<std::uint16_t>{0x27, 0x1B, 0x6A, 0x00, 0x01, 0xA4, 0x60, 0x03, 0, 0, 0, 0}));
  ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault clear"));

  // More than the destination holds: the command goes out, its reply is not read.
  ClearLog();
  EXPECT_EQ(requests_.CalibrationTransfer(kUsbPort, 0x0660, 17, values, 16, &count), kRequestNotDone);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(LogLinesWith("command 0 calibration-read 1C2B0060065D0011000000"), 1);
  EXPECT_EQ(LogLinesWith("log read "), 0);
}

// --- Finding and opening the scanner ---

TEST_F(SimTest, TwoScannersGive205WithoutEitherBeingWrittenTo) {
  UseProfile("two-scanners.json");
  {
    InfoDocument document(nullptr);
    document.BuildDeviceTree(kRunModeNormal);
    EXPECT_EQ(document.NormalGather(), kResultManyScanners);
  }
  EXPECT_GE(LogLinesWith("open member 0 QX -> ok"), 1);
  EXPECT_GE(LogLinesWith("open member 1 QX -> ok"), 1);
  EXPECT_EQ(LogLinesWith("write "), 0);
  EXPECT_EQ(LogLinesWith("command "), 0);
}

TEST_F(SimTest, ABusyScannerGives203AfterRepeatedPasses) {
  UseProfile("busy-scanner.json");
  DeviceConnection connection;
  connection.Startup();
  EXPECT_EQ(connection.FindAndOpen(), DeviceConnection::kFoundBusy);
  connection.Shutdown();
  EXPECT_GE(LogLinesWith("open member 0 QX -> busy"), 3);

  InfoDocument document(nullptr);
  document.BuildDeviceTree(kRunModeNormal);
  EXPECT_EQ(document.NormalGather(), kResultScannerBusy);
}

TEST_F(SimTest, IdentityByteIgnoresOnlyItsTwoLowBits) {
  UseProfile("identity-41.json");
  {
    DeviceConnection connection;
    connection.Startup();
    EXPECT_EQ(connection.FindAndOpen(), DeviceConnection::kFoundOne);
    EXPECT_EQ(port::PortIsOpen(kUsbPort), 1);
    connection.Close();
    connection.Shutdown();
  }
  // 0x50 first, a QX-R7000 second: only the second counts, and it is the one opened.
  UseProfile("identity-50-then-scanner.json");
  DeviceConnection connection;
  connection.Startup();
  EXPECT_EQ(connection.FindAndOpen(), DeviceConnection::kFoundOne);
  EXPECT_EQ(connection.Settings().usbIndex, 1);
  connection.Close();
  connection.Shutdown();
}

TEST_F(SimTest, OldDriverGives201AndAnUnknownHostController202) {
  for (auto [profile, expected] : {std::pair{"driver-old.json", kResultOldDriver},
                                   std::pair{"host-controller-other.json", kResultHostController}}) {
    UseProfile(profile);
    InfoDocument document(nullptr);
    document.BuildDeviceTree(kRunModeNormal);
    EXPECT_EQ(document.NormalGather(), expected) << profile;
    EXPECT_EQ(LogLinesWith("command "), 0) << profile;
  }
}

// --- The device state ---

TEST_F(SimTest, SpecialModeGives304InNormalAndThe30xCodesInTheExtendedRules) {
  UseProfile("special-switch-on.json");
  {
    InfoDocument document(nullptr);
    document.BuildDeviceTree(kRunModeNormal);
    EXPECT_EQ(document.NormalGather(), kResultInvalidMode);
  }
  EXPECT_GE(LogLinesWith("1D4901"), 1);
  EXPECT_EQ(LogLinesWith("1D6732"), 0) << "no counter probe in the normal run mode";
  EXPECT_EQ(LogLinesWith("1C7C4DA2"), 0) << "no switch query in the normal run mode";

  SetRunMode(kRunModeExtended);
  for (auto [profile, expected] : {std::pair{"special-switch-on.json", kResultSwitchOn},
                                   std::pair{"special-switch-off.json", kResultFirmwareDamaged},
                                   std::pair{"special-counter.json", kResultInvalidModeCounter}}) {
    UseProfile(profile);
    InfoDocument document(nullptr);
    document.BuildDeviceTree(kRunModeExtended);
    EXPECT_EQ(document.ExtendedGather(), expected) << profile;
  }
  SetRunMode(kRunModeBatch);
  UseProfile("special-switch-off.json");
  DeviceConnection connection;
  connection.Startup();
  ASSERT_EQ(connection.FindAndOpen(), DeviceConnection::kFoundOne);
  EXPECT_EQ(connection.CheckDeviceState(), 2);
  connection.Close();
  connection.Shutdown();
}

TEST_F(SimTest, ANormalScannerIsInItsNormalState) {
  UseProfile("default.json");
  SetRunMode(kRunModeExtended);
  DeviceConnection connection;
  connection.Startup();
  ASSERT_EQ(connection.FindAndOpen(), DeviceConnection::kFoundOne);
  EXPECT_EQ(connection.CheckDeviceState(), 0);
  // A one-byte identity reply split by XON is still the normal state.
  ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault xon-xoff"));
  EXPECT_EQ(connection.CheckDeviceState(), 0);
  connection.Close();
  connection.Shutdown();
}

// --- The error cause ---

TEST_F(SimTest, EveryErrorCauseFamilyReplacesTheFailedRead) {
  for (auto [profile, expected] : {std::pair{"error-403.json", 403}, std::pair{"error-403-others-set.json", 403},
                                   std::pair{"error-406.json", 406}, std::pair{"error-412.json", 412},
                                   std::pair{"error-code-0.json", static_cast<int>(kResultNoListedCause)}}) {
    UseProfile(profile);
    {
      InfoDocument document(nullptr);
      document.BuildDeviceTree(kRunModeNormal);
      EXPECT_EQ(document.NormalGather(), expected) << profile;
    }
    // The status exchange was switched on for the query and back off after it.
    EXPECT_EQ(LogLinesWith("control 0 0x2220C8 in 4 out 0 -> ok"), 2) << profile;
  }
}

TEST_F(SimTest, TheErrorCauseQueryReportsTheCodeItFound) {
  UseProfile("error-412.json");
  DeviceConnection connection;
  connection.Startup();
  ASSERT_EQ(connection.FindAndOpen(), DeviceConnection::kFoundOne);
  int code = -1;
  bool found = false;
  EXPECT_EQ(connection.QueryErrorCause(&code, &found), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(code, 412);
  // The status bytes one at a time and wrapped in XON/XOFF: the same code.
  ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault xon-xoff"));
  ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault byte-per-read"));
  code = -1;
  EXPECT_EQ(connection.QueryErrorCause(&code, &found), 1);
  EXPECT_TRUE(found);
  EXPECT_EQ(code, 412);
  connection.Close();
  connection.Shutdown();
}

// --- Calibration mode ---

TEST_F(OpenScanner, ACalibrationModeReplyArrivingByteByByteIsAssembled) {
  Fault("byte-per-read");
  Fault("delay 50 on 1C7C4DA0");
  EXPECT_EQ(connection_.EnterCalibrationMode(), 1);
  EXPECT_GE(LogLinesWith("1C7C4DA04D4F4445494E"), 1);
  ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault clear"));
  Fault("xon-xoff");
  Fault("byte-per-read");
  EXPECT_EQ(connection_.EnterCalibrationMode(), 1);
  // A reply starting with another byte is refused.
  ASSERT_TRUE(simtest::SimControlOk(sim_.control, "fault clear"));
  Fault("wrong-header 0x32 on 1C7C4DA0");
  EXPECT_EQ(connection_.EnterCalibrationMode(), 0);
}

}  // namespace
}  // namespace qx
