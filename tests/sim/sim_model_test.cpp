// The device model in-process: how the command stream is split, what the scanner answers where
// the profiles differ, the profile files and the fault texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/bus.h"
#include "sim/command_parser.h"
#include "sim/control_commands.h"
#include "sim/fault.h"
#include "sim/profile.h"
#include "sim/sim_device.h"

namespace qx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Profile Load(const std::string& name) {
  Profile p;
  std::string error;
  EXPECT_TRUE(LoadProfileFile(std::string(QX_SIM_PROFILES) + "/" + name, &p, &error)) << error;
  return p;
}

// A device fed and read directly, without the link.
class DeviceHarness {
 public:
  explicit DeviceHarness(const std::string& profile) : profile_(Load(profile)) {
    device_ = std::make_unique<SimDevice>(0, profile_.devices.at(0), profile_.driver);
  }
  Bytes Send(const Bytes& bytes, std::uint32_t now = 0) {
    device_->Write('Q', bytes.data(), bytes.size(), now, &log_);
    return Drain(now);
  }
  Bytes Drain(std::uint32_t now) {
    Bytes out(4096);
    out.resize(device_->Take('Q', out.data(), out.size(), now, &log_));
    return out;
  }
  SimDevice& device() { return *device_; }
  RequestLog& log() { return log_; }

 private:
  Profile profile_;
  std::unique_ptr<SimDevice> device_;
  RequestLog log_;
};

Bytes T(const std::string& text) {
  Bytes b(text.begin(), text.end());
  b.push_back(0);
  return b;
}

TEST(CommandParser, RecognisesEachCommandByItsLength) {
  struct Case {
    Bytes bytes;
    CommandId id;
    std::size_t length;
  };
  const Case kCases[] = {
      {{0x00}, CommandId::kNul, 1},
      {{0x1B, '=', 0x01}, CommandId::kSelectPeripheral, 3},
      {{0x1B, '@'}, CommandId::kInitialize, 2},
      {{0x1D, 'I', 0x41}, CommandId::kIdentity, 3},
      {{0x1D, 'a', 0x26}, CommandId::kAutomaticStatus, 3},
      {{0x1D, 'g', '2', 0x00, 70, 0x00}, CommandId::kCounter, 6},
      {{0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '#', '3'}, CommandId::kNvRead, 10},
      {{0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '!', 'E'}, CommandId::kErrorHistory, 10},
      {{0x1D, '(', 'C', 0x02, 0x00, 0x01, 0x02}, CommandId::kUnknown, 7},
      {{0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 10, 245}, CommandId::kFunction, 11},
      {{0x1C, '|', 0x7F, 'o', 'f', 0x99, '3', 0x00, 0x00}, CommandId::kFunction, 9},
      {{0x1C, '|', 0x7F, 'o', 'f', 0x98, '3', 0x00, 0x00}, CommandId::kUnknown, 9},
      {{0x1C, '|', 'M', 0xA0, 'M', 'O', 'D', 'E', 'I', 'N'}, CommandId::kModeIn, 10},
      {{0x1C, '|', 'M', 0xA1, 'M', 'O', 'D', 'E', 'O', 'U', 'T'}, CommandId::kModeOut, 11},
      {{0x1C, '|', 'M', 0xA2, 0x1E}, CommandId::kModeQuery, 5},
      {{0x1C, '+', 0x00, 0x60, 0x06, ']', 0x00, 0x08, 0x00, 0x00, 0x00}, CommandId::kCalibrationRead, 11},
      {{0x10, 0x14, 0x07, 0x01}, CommandId::kStatusRequest, 4},
      {{0x10, 0x14, 0x07, 0x04}, CommandId::kDetailRequest, 4},
      {{0x06}, CommandId::kAck, 1},
      {{0x81}, CommandId::kContinue, 1},
      {{0x42}, CommandId::kUnknown, 1},
  };
  for (const Case& c : kCases) {
    Command command;
    ASSERT_EQ(ParseCommand(c.bytes.data(), c.bytes.size(), &command), ParseStatus::kComplete);
    EXPECT_EQ(command.id, c.id) << CommandName(c.id);
    EXPECT_EQ(command.length, c.length) << CommandName(c.id);
    // Every proper prefix of a multi-byte command waits for more.
    for (std::size_t n = 1; n < c.length; ++n) {
      EXPECT_EQ(ParseCommand(c.bytes.data(), n, &command), ParseStatus::kNeedMore) << CommandName(c.id) << " " << n;
    }
  }
}

TEST(CommandParser, OverlongParameterCountsAreSkippedNotAwaited) {
  const Bytes huge{0x1D, '(', 'C', 0xFF, 0xFF};
  Command command;
  ASSERT_EQ(ParseCommand(huge.data(), huge.size(), &command), ParseStatus::kComplete);
  EXPECT_EQ(command.id, CommandId::kUnknown);
  EXPECT_EQ(command.length, 5u);
  const Bytes function{0x1C, '|', 0x7F, 'o', 0x01, 0xFE, 0x00, 0xFF, 0x7F};
  ASSERT_EQ(ParseCommand(function.data(), function.size(), &command), ParseStatus::kComplete);
  EXPECT_EQ(command.length, 9u);
}

TEST(DeviceModel, ReplyComesOnlyWhenTheCommandIsComplete) {
  DeviceHarness d("default.json");
  const Bytes command{0x1D, 'I', 0x42};
  EXPECT_TRUE(d.Send({command[0]}).empty());
  EXPECT_TRUE(d.Send({command[1]}).empty());
  EXPECT_EQ(d.Send({command[2]}), T("_NORVA"));
  // Garbage ahead of a command is skipped and the command still answered.
  EXPECT_EQ(d.Send({0x42, 0x7E, 0x1D, 'I', 0x43}), T("_QX-R7000"));
}

TEST(DeviceModel, AnotherCommandEndsATransferInProgress) {
  DeviceHarness d("default.json");
  Bytes first = d.Send({0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '!', 'E'});
  ASSERT_EQ(first.at(2), 'A');
  EXPECT_EQ(d.Send({0x1B, '@'}), Bytes{});
  EXPECT_TRUE(d.Send({0x06}).empty()) << "ACK after the transfer was abandoned";
  Bytes calibration = d.Send({0x1C, '+', 0x00, 0x00, 0x00, ']', 0x00, 0x30, 0x03, 0x00, 0x00});
  ASSERT_FALSE(calibration.empty());
  EXPECT_EQ(d.Send({0x1D, 'I', 0x42}), T("_NORVA"));
  EXPECT_TRUE(d.Send({0x81}).empty()) << "continuation after the transfer was abandoned";
}

TEST(DeviceModel, CalibrationReadsAreClippedToTheMemory) {
  DeviceHarness d("default.json");
  // Four values asked at 0x0CD2: only two exist (0x0CD2, 0x0CD3).
  Bytes reply = d.Send({0x1C, '+', 0x00, 0xD2, 0x0C, ']', 0x00, 0x04, 0x00, 0x00, 0x00});
  Bytes expected{'1', 0x81};
  for (char c : std::string("S2060CD202000000")) expected.push_back(static_cast<std::uint8_t>(c));
  EXPECT_EQ(reply, expected);
  // A count of zero gives a block without values, then the end.
  reply = d.Send({0x1C, '+', 0x00, 0x00, 0x00, ']', 0x00, 0x00, 0x00, 0x00, 0x00});
  expected = {'1', 0x81};
  for (char c : std::string("S2040000" "00" "00")) expected.push_back(static_cast<std::uint8_t>(c));
  EXPECT_EQ(reply, expected);
  EXPECT_EQ(d.Send({0x81}), Bytes{0x00});
}

TEST(DeviceModel, AutomaticStatusKeepsItsFixedBitsWhateverTheProfileSays) {
  Profile p = Load("default.json");
  p.devices[0].scanner.automaticStatus = {0xFF, 0xFF, 0xFF, 0xFF};
  SimDevice device(0, p.devices[0], p.driver);
  RequestLog log;
  const Bytes command{0x1D, 'a', 0x26};
  device.Write('Q', command.data(), command.size(), 0, &log);
  std::uint8_t out[8];
  ASSERT_EQ(device.Take('Q', out, sizeof out, 0, &log), 4u);
  EXPECT_EQ(Bytes(out, out + 4), (Bytes{0x7C, 0x6F, 0x6F, 0x6F}));
}

TEST(DeviceModel, MissingSpiThresholdIsNotAnswered) {
  Profile p = Load("default.json");
  p.devices[0].scanner.thresholds[8].answered = false;
  SimDevice device(0, p.devices[0], p.driver);
  RequestLog log;
  const Bytes spi{0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, 18, 237};
  device.Write('Q', spi.data(), spi.size(), 0, &log);
  std::uint32_t next = 0;
  EXPECT_EQ(device.Readable('Q', 0, &next), 0u);
}

TEST(DeviceModel, DisplayFunctionTakesBytesAndAnswersNothing) {
  DeviceHarness d("default.json");
  const Bytes command{0x1D, 'I', 0x42};
  WriteOutcome w = d.device().Write('K', command.data(), command.size(), 0, &d.log());
  EXPECT_EQ(w.accepted, 3u);
  std::uint32_t next = 0;
  EXPECT_EQ(d.device().Readable('Q', 0, &next), 0u);
  EXPECT_EQ(d.device().Readable('K', 0, &next), 0u);
}

TEST(DeviceModel, DelayedReplyBecomesReadableAtItsTime) {
  DeviceHarness d("default.json");
  FaultSpec delay;
  ASSERT_TRUE(ParseFault("delay 250", &delay, nullptr));
  d.device().AddFault(delay);
  EXPECT_TRUE(d.Send({0x1D, 'I', 0x42}, 1000).empty());
  std::uint32_t next = 0;
  EXPECT_EQ(d.device().Readable('Q', 1249, &next), 0u);
  EXPECT_EQ(next, 1250u);
  EXPECT_EQ(d.Drain(1250), T("_NORVA"));
}

// Aimed at one command, byte-per-read slows only that command's reply.
TEST(DeviceModel, BytePerReadOnACommandHitsOnlyItsReply) {
  DeviceHarness d("default.json");
  FaultSpec slow;
  ASSERT_TRUE(ParseFault("byte-per-read on 1D4943", &slow, nullptr));
  d.device().AddFault(slow);
  EXPECT_EQ(d.Send({0x1D, 'I', 0x42}), T("_NORVA"));
  const Bytes twoCommands{0x1D, 'I', 0x42, 0x1D, 'I', 0x43};
  d.device().Write('Q', twoCommands.data(), twoCommands.size(), 0, &d.log());
  // The untouched reply goes in one piece, up to the first byte of the slowed one.
  EXPECT_FALSE(d.device().bytePerRead());
  EXPECT_EQ(d.Drain(0), T("_NORVA"));
  EXPECT_TRUE(d.device().bytePerRead());
  Bytes slowed;
  for (Bytes piece = d.Drain(0); !piece.empty(); piece = d.Drain(0)) {
    EXPECT_EQ(piece.size(), 1u);
    slowed.insert(slowed.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(slowed, T("_QX-R7000"));
}

TEST(DeviceModel, DropCountsBytesAcrossReplies) {
  DeviceHarness d("default.json");
  FaultSpec drop;
  ASSERT_TRUE(ParseFault("drop 10", &drop, nullptr));
  d.device().AddFault(drop);
  EXPECT_EQ(d.Send({0x1D, 'I', 0x42}), T("_NORVA"));  // 7 bytes
  EXPECT_FALSE(d.device().removed());
  Bytes rest = d.Send({0x1D, 'I', 0x43});
  EXPECT_EQ(rest, (Bytes{'_', 'Q', 'X'}));
  EXPECT_TRUE(d.device().removed());
  const Bytes again{0x1D, 'I', 0x42};
  EXPECT_EQ(d.device().Write('Q', again.data(), again.size(), 0, &d.log()).accepted, 0u);
}

// The unplug fault counts the requests of its control code and takes the device away at the one
// it names; that request already fails, as does everything after it.
TEST(DeviceModel, UnplugRemovesTheDeviceAtTheNamedControlRequest) {
  DeviceHarness d("default.json");
  FaultSpec unplug;
  ASSERT_TRUE(ParseFault("unplug 0x222044 2", &unplug, nullptr));
  d.device().AddFault(unplug);
  HandleState handle;
  std::vector<std::uint8_t> out;
  EXPECT_TRUE(d.device().Control(&handle, 0x222040, nullptr, 0, 18, &out, &d.log()));
  EXPECT_TRUE(d.device().Control(&handle, 0x222044, nullptr, 0, 9, &out, &d.log()));
  EXPECT_FALSE(d.device().removed());
  EXPECT_FALSE(d.device().Control(&handle, 0x222044, nullptr, 0, 46, &out, &d.log()));
  EXPECT_TRUE(d.device().removed());
  EXPECT_FALSE(d.device().Control(&handle, 0x222040, nullptr, 0, 18, &out, &d.log()));
}

TEST(Faults, TextFormsParseAndPrintBack) {
  const char* kGood[] = {"no-reply", "cut 3", "xon-xoff", "byte-per-read", "wrong-header 0x3D", "long-header 700",
                         "drop 12", "delay 250", "write-timeout 4", "cut 2 on 1D4942",
                         "unplug 0x222040", "unplug 0x2220C4 3"};
  for (const char* text : kGood) {
    FaultSpec f;
    std::string error;
    ASSERT_TRUE(ParseFault(text, &f, &error)) << text << ": " << error;
    EXPECT_EQ(FaultText(f), text);
  }
  const char* kBad[] = {"", "cut", "delay soon", "wrong-header 0x100", "cut 3 on 1D4", "cut 3 at 1D49", "melt", "unplug",
                        "unplug 0x222040 0", "unplug 0x222040 on 1D49"};
  for (const char* text : kBad) {
    FaultSpec f;
    std::string error;
    EXPECT_FALSE(ParseFault(text, &f, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(Profiles, EveryShippedProfileLoads) {
  const char* kNames[] = {"default.json", "one-pocket.json", "special-switch-on.json", "special-switch-off.json",
                          "special-counter.json", "error-403.json", "error-406.json", "error-412.json",
                          "error-code-0.json", "driver-old.json", "host-controller-other.json", "two-scanners.json",
                          "busy-scanner.json", "no-scanner.json", "echo.json", "sink.json"};
  for (const char* name : kNames) {
    Profile p = Load(name);
    EXPECT_FALSE(p.name.empty()) << name;
  }
  EXPECT_EQ(Load("no-scanner.json").devices.size(), 0u);
  EXPECT_EQ(Load("two-scanners.json").devices.size(), 2u);
  Profile d = Load("default.json");
  ASSERT_EQ(d.devices.size(), 1u);
  EXPECT_EQ(d.devices[0].scanner.calibration.size(), kCalibrationMemorySize);
  EXPECT_EQ(d.devices[0].scanner.errorHistory,
            "E101:PAPER JAM,E203:DBL FEED,E101:PAPER JAM,E310:COVER OPEN,");
}

TEST(Profiles, FaultsListedInAProfileAreOnFromTheStart) {
  Profile p;
  std::string error;
  ASSERT_TRUE(ParseProfile(R"({"base": "default.json", "device": {"faults": ["cut 2 on 1D4942", "wrong-header"]}})",
                           QX_SIM_PROFILES, &p, &error))
      << error;
  SimDevice device(0, p.devices.at(0), p.driver);
  RequestLog log;
  std::uint8_t out[64];
  const Bytes company{0x1D, 'I', 0x42}, firmware{0x1D, 'I', 0x41};
  device.Write('Q', company.data(), company.size(), 0, &log);
  EXPECT_EQ(Bytes(out, out + device.Take('Q', out, sizeof out, 0, &log)), (Bytes{'?', 'N'}));
  device.Write('Q', firmware.data(), firmware.size(), 0, &log);
  EXPECT_EQ(Bytes(out, out + device.Take('Q', out, sizeof out, 0, &log)), T("?1.05.08"));
}

TEST(Profiles, ErrorsNameTheField) {
  struct Case {
    const char* json;
    const char* field;
  };
  const Case kCases[] = {
      {R"({"device": {"options": {"pockets": 3}}})", "options.pockets"},
      {R"({"device": {"options": {"speed": 45}}})", "options.speed"},
      {R"({"device": {"usb": {"vendorId": "0x1FFFF"}}})", "usb.vendorId"},
      {R"({"device": {"usb": {"vendorId": "12ab"}}})", "usb.vendorId"},
      {R"({"device": {"calibration": {"faceValues": "0102"}}})", "calibration.faceValues"},
      {R"({"device": {"presence": "maybe"}})", "presence"},
      {R"({"device": {"automaticStatus": [1, 2, 3]}})", "automaticStatus"},
      {R"({"device": {"faults": ["cut"]}})", "faults"},
      {R"({"devices": {}})", "devices"},
      {R"({"base": "no-such-profile.json"})", "no-such-profile.json"},
  };
  for (const Case& c : kCases) {
    Profile p;
    std::string error;
    EXPECT_FALSE(ParseProfile(c.json, QX_SIM_PROFILES, &p, &error)) << c.json;
    EXPECT_NE(error.find(c.field), std::string::npos) << c.json << " -> " << error;
  }
  Profile p;
  std::string error;
  EXPECT_FALSE(ParseProfile("{not json", ".", &p, &error));
}

TEST(ControlInterface, ReplacesProfilesInjectsFaultsAndReadsTheLog) {
  SimState state;
  state.bus.SetProfile(Load("default.json"));
  bool quit = false;
  ControlContext context{&state, QX_SIM_PROFILES, [&quit] { quit = true; }};
  EXPECT_EQ(ExecuteControl(&context, "profile two-scanners.json"), "ok 2 device(s)\n");
  EXPECT_EQ(state.bus.DeviceCount(), 2);
  EXPECT_EQ(ExecuteControl(&context, "profile nowhere.json").rfind("error", 0), 0u);
  EXPECT_EQ(state.bus.DeviceCount(), 2) << "a failed load keeps the profile";
  EXPECT_EQ(ExecuteControl(&context, "fault device 1 cut 3"), "ok cut 3\n");
  EXPECT_EQ(ExecuteControl(&context, "fault device 5 cut 3").rfind("error", 0), 0u);
  EXPECT_EQ(ExecuteControl(&context, "fault melt").rfind("error", 0), 0u);
  std::string log = ExecuteControl(&context, "log");
  EXPECT_NE(log.find("log fault cut 3 device 1\n"), std::string::npos) << log;
  EXPECT_EQ(ExecuteControl(&context, "clear-log"), "ok\n");
  EXPECT_EQ(ExecuteControl(&context, "log"), "ok 0 line(s), 0 dropped\n");
  EXPECT_EQ(ExecuteControl(&context, "frobnicate").rfind("error", 0), 0u);
  EXPECT_EQ(ExecuteControl(&context, "quit"), "ok\n");
  EXPECT_TRUE(quit);
}

}  // namespace
}  // namespace qx::sim
