#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sim/ethernet_unit.h"
#include "tests/port/message_pump.h"
#include "tests/port/port_test_support.h"
#include "utility/port/ethernet_port.h"
#include "utility/port/notifications.h"
#include "utility/port/port_table.h"
#include "utility/port/udp_reply_parser.h"

namespace qx::port {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::CallbackLog;
using testing::LoopbackNetwork;
using testing::PumpMessages;
using testing::WaitFor;

constexpr int kEthernet = 3;

Bytes Text(const char* text) { return Bytes(text, text + std::strlen(text)); }
Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// --- The parser and the request bytes (no network) -------------------------------------------

std::vector<UdpReply> FeedAll(UdpReplyParser& parser, const Bytes& bytes) {
  std::vector<UdpReply> done;
  for (std::uint8_t b : bytes) {
    if (parser.Feed(b)) done.push_back(parser.Last());
  }
  return done;
}

TEST(UdpReplyParser, AReplySplitAfterItsKindLetterIsOnePacket) {
  UdpReplyParser parser;
  EXPECT_TRUE(FeedAll(parser, Text("NORVAq")).empty());
  auto done = FeedAll(parser, Bytes{3, 0, 0x00, 0x20, 0x12, 0x34, 0, 2, 7, 9});
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].kind, kReplyKindQuery);
  EXPECT_EQ(done[0].deviceClass, 3);
  EXPECT_EQ(done[0].function, 0x20);
  EXPECT_EQ(done[0].result, 0x1234);
  EXPECT_EQ(done[0].length, 2);
  EXPECT_EQ(done[0].parameters[0], 7);
  EXPECT_EQ(done[0].parameters[1], 9);
  EXPECT_EQ(ReplySlotFor(done[0].kind, done[0].deviceClass, done[0].deviceNumber, done[0].function), 5);
}

TEST(UdpReplyParser, DropsUnknownClassesKindsAndBrokenMagicThenFindsTheNextReply) {
  UdpReplyParser parser;
  const Bytes good = Concat(Text("NORVAc"), Bytes{3, 0, 0, 0x12, 0, 0, 0, 1, 0});
  for (const Bytes& bad : {Concat(Text("NORVAq"), Bytes{4, 0, 0, 0x20, 0, 0, 0, 1, 0}), Text("NORVAQ"),
                           Text("NORXA"), Text("NNORVAx")}) {
    auto done = FeedAll(parser, Concat(bad, good));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].kind, kReplyKindControl);
    EXPECT_EQ(done[0].function, 0x12);
  }
  // Class 4 sends the parser back to its start at the class byte itself.
  FeedAll(parser, Text("NORVAq"));
  parser.Feed(4);
  EXPECT_EQ(parser.State(), 0);
}

TEST(UdpReplyParser, KeepsOnly512ParameterBytesButConsumesTheWholeReply) {
  UdpReplyParser parser;
  Bytes reply = Concat(Text("NORVAq"), Bytes{0, 0, 0, 0, 0, 0, 0x02, 0x58});  // 600 bytes
  for (int i = 0; i < 600; ++i) reply.push_back(static_cast<std::uint8_t>(i < 512 ? 0x11 : 0xEE));
  auto done = FeedAll(parser, Concat(reply, Concat(Text("NORVAp"), Bytes{0, 0, 0, 0, 0, 0, 0, 0})));
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0].length, 600);
  EXPECT_EQ(done[0].parameters[511], 0x11);
  EXPECT_EQ(done[1].kind, kReplyKindSearch);
}

TEST(UdpRequests, TheSevenRequestsByteForByte) {
  struct Row {
    UdpRequest request;
    Bytes bytes;
    int slot;
  };
  const std::vector<Row> rows = {
      {UdpRequest::kUnitIdentity, Concat(Text("NORVAQ"), Bytes{0, 0, 0, 0, 0, 0, 0, 0}), 6},
      {UdpRequest::kInterfaceStatus, Concat(Text("NORVAQ"), Bytes{3, 0, 0, 0, 0, 0, 0, 0}), 1},
      {UdpRequest::kDeviceStatus, Concat(Text("NORVAQ"), Bytes{3, 0, 0, 1, 0, 0, 0, 0}), 2},
      {UdpRequest::kDeviceCheck, Concat(Text("NORVAC"), Bytes{3, 0, 0, 0x12, 0, 0, 0, 1, 0}), 3},
      {UdpRequest::kFlowOverrideOn, Concat(Text("NORVAC"), Bytes{3, 0, 0, 0x15, 0, 0, 0, 1, 1}), 4},
      {UdpRequest::kFlowOverrideOff, Concat(Text("NORVAC"), Bytes{3, 0, 0, 0x15, 0, 0, 0, 1, 0}), 4},
      {UdpRequest::kReadyQuery, Concat(Text("NORVAQ"), Bytes{3, 0, 0, 0x20, 0, 0, 0, 0}), 5},
      {UdpRequest::kNetworkSearch, Concat(Text("NORVAP"), Bytes{0, 0, 0, 0, 0, 0, 0, 0}), 0},
  };
  for (const Row& row : rows) {
    std::uint8_t out[kUdpMaxRequestSize] = {};
    std::size_t n = BuildUdpRequest(row.request, out);
    EXPECT_EQ(Bytes(out, out + n), row.bytes);
    EXPECT_EQ(ReplySlotOf(row.request), row.slot);
  }
}

// --- The port against loopback units ----------------------------------------------------------

class EthernetPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(unit.Start(profile));
    library.network.Point(unit.UdpPort(), unit.TcpPort());
    Configure(127, 0, 0, 2);
    LoopbackNetwork::ClearAttempts();
  }

  void Configure(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    PortSettings settings{};
    settings.ipAddress[0] = a;
    settings.ipAddress[1] = b;
    settings.ipAddress[2] = c;
    settings.ipAddress[3] = d;
    PortSetConfig(kEthernet, &settings);
  }

  void Reprofile(void (*change)(sim::EthernetUnitProfile&)) {
    sim::EthernetUnitProfile next = profile;
    change(next);
    unit.SetProfile(next);
  }

  EthernetPort& port() { return *static_cast<EthernetPort*>(PortTableEntry(kEthernet)); }

  testing::PortLibraryFixture library;
  sim::EthernetUnitProfile profile;
  sim::EthernetUnit unit;
};

TEST_F(EthernetPortTest, RequestsLeaveByteExactForTheUnitsAddressAndPort) {
  PortIsReady(kEthernet);
  PortDeviceCheck(kEthernet);
  PortSetFlowOverride(kEthernet, 1);
  PortSetFlowOverride(kEthernet, 0);
  EthernetInfo info;
  PortGetInfo(kEthernet, &info);
  auto requests = unit.Requests();
  ASSERT_EQ(requests.size(), 6u);
  EXPECT_EQ(requests[0], Concat(Text("NORVAQ"), Bytes({3, 0, 0, 0x20, 0, 0, 0, 0})));
  EXPECT_EQ(requests[1], Concat(Text("NORVAC"), Bytes({3, 0, 0, 0x12, 0, 0, 0, 1, 0})));
  EXPECT_EQ(requests[2], Concat(Text("NORVAC"), Bytes({3, 0, 0, 0x15, 0, 0, 0, 1, 1})));
  EXPECT_EQ(requests[3], Concat(Text("NORVAC"), Bytes({3, 0, 0, 0x15, 0, 0, 0, 1, 0})));
  EXPECT_EQ(requests[4], Concat(Text("NORVAQ"), Bytes({0, 0, 0, 0, 0, 0, 0, 0})));
  EXPECT_EQ(requests[5], Concat(Text("NORVAQ"), Bytes({3, 0, 0, 0, 0, 0, 0, 0})));
  for (const auto& attempt : LoopbackNetwork::Attempts()) {
    EXPECT_EQ(attempt.traffic, EthernetTraffic::kRequest);
    EXPECT_EQ(attempt.to.port, unit.UdpPort());
    EXPECT_EQ(attempt.to.address[3], 2);
  }
}

TEST_F(EthernetPortTest, IsReadyOnlyForResultZeroLengthOneAndByteZero) {
  EXPECT_EQ(PortIsReady(kEthernet), 1);
  Reprofile([](sim::EthernetUnitProfile& p) { p.readyByte = 1; });
  EXPECT_EQ(PortIsReady(kEthernet), 0);
  Reprofile([](sim::EthernetUnitProfile& p) { p.readyLength = 2; });
  EXPECT_EQ(PortIsReady(kEthernet), 0);
  Reprofile([](sim::EthernetUnitProfile& p) { p.silent = true; });
  EXPECT_EQ(PortIsReady(kEthernet), 0);
  // A reply for another slot, and one of class 4, are not the awaited reply.
  Reprofile([](sim::EthernetUnitProfile& p) { p.wrongSlot = true; });
  EXPECT_EQ(PortIsReady(kEthernet), 0);
  Reprofile([](sim::EthernetUnitProfile& p) { p.classFour = true; });
  EXPECT_EQ(PortIsReady(kEthernet), 0);
  // Split over two datagrams it is whole again.
  Reprofile([](sim::EthernetUnitProfile& p) { p.splitReplies = true; });
  EXPECT_EQ(PortIsReady(kEthernet), 1);
}

TEST_F(EthernetPortTest, AReplyForAnotherSlotGivesMinusOne) {
  Reprofile([](sim::EthernetUnitProfile& p) { p.wrongSlot = true; });
  UdpControl::Outcome outcome;
  port().Control()->Request(UdpRequest::kReadyQuery, &outcome);
  EXPECT_EQ(outcome.result, -1);
  EXPECT_EQ(outcome.length, -1);
  EXPECT_EQ(unit.Requests().size(), 1u);  // not retried
}

TEST_F(EthernetPortTest, AnOverlongReplyKeepsItsLengthButNoParameters) {
  Reprofile([](sim::EthernetUnitProfile& p) {
    p.oversizeLength = 520;
    p.splitReplies = true;
  });
  UdpControl::Outcome outcome;
  port().Control()->Request(UdpRequest::kDeviceCheck, &outcome);
  EXPECT_TRUE(outcome.replied);
  EXPECT_EQ(outcome.length, 520);
  EXPECT_EQ(outcome.parameters[0], 0);
  EXPECT_EQ(PortDeviceCheck(kEthernet), 0);
}

TEST_F(EthernetPortTest, DeviceCheckAndFlowOverrideTruthTables) {
  EXPECT_EQ(PortDeviceCheck(kEthernet), 1);
  EXPECT_EQ(PortSetFlowOverride(kEthernet, 1), 1);
  EXPECT_EQ(PortSetFlowOverride(kEthernet, 0), 1);
  Reprofile([](sim::EthernetUnitProfile& p) {
    p.deviceCheckByte = 1;
    p.flowByte = 0;
  });
  EXPECT_EQ(PortDeviceCheck(kEthernet), 0);
  EXPECT_EQ(PortSetFlowOverride(kEthernet, 1), 0);  // flag on, reply 0
  EXPECT_EQ(PortSetFlowOverride(kEthernet, 0), 1);
  Reprofile([](sim::EthernetUnitProfile& p) { p.flowByte = 1; });
  EXPECT_EQ(PortSetFlowOverride(kEthernet, 0), 0);
  Reprofile([](sim::EthernetUnitProfile& p) { p.silent = true; });
  EXPECT_EQ(PortDeviceCheck(kEthernet), 0);
  EXPECT_EQ(PortSetFlowOverride(kEthernet, 1), 0);
}

TEST_F(EthernetPortTest, GetInfoOfAnInterfaceBoard) {
  EthernetInfo info;
  std::memset(&info, 0x7F, sizeof info);
  ASSERT_EQ(PortGetInfo(kEthernet, &info), 1);
  EXPECT_STREQ(info.unitName, "XB-E100");
  EXPECT_STREQ(info.macAddress, "00:80:92:1A:2B:3C");
  EXPECT_STREQ(info.hardwareVersion, "1.02");
  EXPECT_STREQ(info.softwareVersion, "2.10");
  EXPECT_EQ(info.hardwareVersionNumber, 0x0102);
  EXPECT_EQ(info.softwareVersionNumber, 0x0210);
  EXPECT_EQ(info.interfaceKind, 1);
  EXPECT_EQ(info.statusFlag, 1);  // interface status byte 1 is 4
  EXPECT_STREQ(info.modelClass, "XB1");

  Reprofile([](sim::EthernetUnitProfile& p) {
    p.hardware[0] = 7;
    p.interfaceStatusByte = 2;
  });
  ASSERT_EQ(PortGetInfo(kEthernet, &info), 1);
  EXPECT_STREQ(info.modelClass, "XBX");
  EXPECT_EQ(info.statusFlag, 0);

  // Any identity result but 0 and 0xE000 fails before the status is asked.
  Reprofile([](sim::EthernetUnitProfile& p) { p.identityResult = 5; });
  unit.ClearRequests();
  EXPECT_EQ(PortGetInfo(kEthernet, &info), 0);
  EXPECT_EQ(unit.Requests().size(), 1u);
}

TEST_F(EthernetPortTest, GetInfoOfAUnitAsksForTheDeviceStatus) {
  Reprofile([](sim::EthernetUnitProfile& p) {
    p.board = false;
    p.name = "QX-R7000";
  });
  EthernetInfo info;
  ASSERT_EQ(PortGetInfo(kEthernet, &info), 1);
  EXPECT_EQ(info.interfaceKind, 0);
  EXPECT_STREQ(info.unitName, "QX-R7000");
  EXPECT_STREQ(info.macAddress, "00:80:92:1A:2B:3C");
  EXPECT_EQ(info.statusFlag, 1);  // device status byte 38 is 5
  EXPECT_STREQ(info.modelClass, "R7S");
  auto requests = unit.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1], Concat(Text("NORVAQ"), Bytes({3, 0, 0, 1, 0, 0, 0, 0})));

  Reprofile([](sim::EthernetUnitProfile& p) {
    p.board = false;
    p.statusPrefix = "ABCD";
    p.deviceStatusByte = 3;
  });
  ASSERT_EQ(PortGetInfo(kEthernet, &info), 1);
  EXPECT_STREQ(info.modelClass, "R7X");
  EXPECT_EQ(info.statusFlag, 0);

  Reprofile([](sim::EthernetUnitProfile& p) {
    p.board = false;
    p.statusResult = 1;
  });
  EXPECT_EQ(PortGetInfo(kEthernet, &info), 0);
}

TEST_F(EthernetPortTest, SetConfigChangesBothAddressesWithoutSendingAnything) {
  Configure(10, 0, 0, 5);
  char text[kIpTextSize];
  port().IpText(text, sizeof text);
  EXPECT_STREQ(text, "10.0.0.5");
  port().Control()->IpText(text, sizeof text);
  EXPECT_STREQ(text, "10.0.0.5");
  EXPECT_TRUE(LoopbackNetwork::Attempts().empty());
  EXPECT_TRUE(unit.Requests().empty());
}

TEST(EthernetSearch, PrintsOneLinePerAnsweringUnitAndTakesTheFullWait) {
  LoopbackNetwork network(3000);
  sim::EthernetUnitProfile first;
  sim::EthernetUnit board;
  ASSERT_TRUE(board.Start(first));
  sim::EthernetUnitProfile second;
  second.address[3] = 3;
  second.udpPort = board.UdpPort();
  second.board = false;
  second.name = "QX-R7000";
  second.mac[5] = 0x3D;
  second.hardware[1] = 0x0A;
  sim::EthernetUnit unit;
  ASSERT_TRUE(unit.Start(second));
  sim::EthernetUnitProfile third = second;
  third.address[3] = 4;
  third.answerSearch = false;
  sim::EthernetUnit quiet;
  ASSERT_TRUE(quiet.Start(third));
  network.Point(board.UdpPort(), board.TcpPort());

  PortInitialize(nullptr);
  ASSERT_EQ(PortCreate(kPortTypeEthernet), 0);
  ::testing::internal::CaptureStdout();
  const auto start = std::chrono::steady_clock::now();
  const int result = PortGetInfo(0, nullptr);
  const auto took = std::chrono::steady_clock::now() - start;
  std::string out = ::testing::internal::GetCapturedStdout();
  PortShutdown();

  EXPECT_EQ(result, 1);
  EXPECT_GE(took, std::chrono::milliseconds(2500));
#ifdef _WIN32
  // Under Wine a socket bound to a loopback address that is no interface's is bound to all of
  // them, so both units answer from 127.0.0.1.
  const char* boardAddress = "127.0.0.1";
  const char* unitAddress = "127.0.0.1";
#else
  const char* boardAddress = "127.0.0.2";
  const char* unitAddress = "127.0.0.3";
#endif
  const std::string boardLine = std::string("  Ethernet Port     ") + boardAddress + "   00:80:92:1A:2B:3C   Hard:1.02 Soft:2.10\n";
  const std::string unitLine = std::string("  Ethernet Port     ") + unitAddress + "   00:80:92:1A:2B:3D   Hard:1.0A Soft:2.10\n";
  EXPECT_TRUE(out == boardLine + unitLine || out == unitLine + boardLine) << out;
  auto attempts = LoopbackNetwork::Attempts();
  ASSERT_EQ(attempts.size(), 1u);
  EXPECT_EQ(attempts[0].traffic, EthernetTraffic::kBroadcast);
  EXPECT_EQ(attempts[0].to.address[3], 255);
}

// --- The TCP data path ------------------------------------------------------------------------

TEST_F(EthernetPortTest, OpenWriteReadCloseAgainstTheUnit) {
  ASSERT_EQ(PortOpen(kEthernet), 1);
  EXPECT_EQ(PortIsOpen(kEthernet), 1);
  EXPECT_NE(PortGetHandle(kEthernet), -1);
  EXPECT_TRUE(WaitFor([&] { return unit.TcpConnected(); }));
  // The posted connect notice calls on-open a second time.
  EXPECT_TRUE(WaitFor([] {
    PumpMessages();
    return CallbackLog::Get().Opens() == 2;
  }));
  EXPECT_EQ(PortOpen(kEthernet), 1);
  EXPECT_EQ(CallbackLog::Get().Opens(), 2);

  const char message[] = "cheque 0001";
  int written = 0;
  ASSERT_EQ(PortWrite(kEthernet, 7, message, sizeof message, &written), 1);
  EXPECT_EQ(written, static_cast<int>(sizeof message));
  ASSERT_TRUE(WaitFor([] { return PortGetReadCount(kEthernet) == static_cast<int>(sizeof message); }));
  char echo[sizeof message] = {};
  int read = 0;
  EXPECT_EQ(PortRead(kEthernet, echo, sizeof echo, &read), 1);
  EXPECT_EQ(read, static_cast<int>(sizeof message));
  EXPECT_STREQ(echo, message);
  EXPECT_TRUE(WaitFor([] { return !CallbackLog::Get().ProgressCalls().empty(); }));
  EXPECT_EQ(CallbackLog::Get().ProgressCalls()[0].count, static_cast<int>(sizeof message));

  EXPECT_EQ(PortClose(kEthernet), 1);
  EXPECT_EQ(PortIsOpen(kEthernet), 0);
  EXPECT_EQ(PortGetHandle(kEthernet), -1);
  EXPECT_EQ(CallbackLog::Get().Closes(), 1);
  EXPECT_EQ(PortWrite(kEthernet, 0, message, 4, &written), 0);
  EXPECT_EQ(written, 0);
  EXPECT_TRUE(WaitFor([&] { return !unit.TcpConnected(); }));
  for (const auto& attempt : LoopbackNetwork::Attempts()) {
    if (attempt.traffic == EthernetTraffic::kConnect) {
      EXPECT_EQ(attempt.to.port, unit.TcpPort());
    }
  }
}

// Two threads stream pieces longer than the write chunk into a queue that is full most of the
// time, while this thread reads the echo: every piece comes back whole (one Write is one run of the
// stream), each writer's pieces in its own order, every batch within the chunk, and the progress
// notices account for every byte once.
TEST_F(EthernetPortTest, ConcurrentWritersPiecesComeBackWholeAndInOrder) {
  constexpr int kChunk = 1000;
  constexpr int kPiece = 3001;
  constexpr int kPiecesPerWriter = 200;
  constexpr std::size_t kTotal = 2u * kPiecesPerWriter * kPiece;
  auto pieceByte = [](int writer, int sequence, int at) {
    return static_cast<std::uint8_t>(writer * 101 + sequence * 7 + at);
  };
  ASSERT_EQ(PortOpen(kEthernet), 1);
  ASSERT_EQ(PortSetWriteChunk(kEthernet, kChunk), 1);

  std::atomic<bool> badRefusal{false};
  auto writer = [&](int id) {
    Bytes piece(kPiece);
    for (int sequence = 0; sequence < kPiecesPerWriter; ++sequence) {
      piece[0] = static_cast<std::uint8_t>(id);
      piece[1] = static_cast<std::uint8_t>(sequence);
      piece[2] = static_cast<std::uint8_t>(sequence >> 8);
      for (int at = 3; at < kPiece; ++at) piece[at] = pieceByte(id, sequence, at);
      int written = -1;
      while (PortWrite(kEthernet, id, piece.data(), kPiece, &written) != 1) {
        if (written != 0) badRefusal = true;  // a write is taken whole or not at all
        std::this_thread::yield();
      }
      if (written != kPiece) badRefusal = true;
    }
  };
  std::thread first(writer, 1);
  std::thread second(writer, 2);

  Bytes echo;
  echo.reserve(kTotal);
  Bytes buffer(8192);
  const bool complete = WaitFor(
      [&] {
        int read = 0;
        PortRead(kEthernet, buffer.data(), static_cast<int>(buffer.size()), &read);
        echo.insert(echo.end(), buffer.begin(), buffer.begin() + read);
        return echo.size() >= kTotal;
      },
      std::chrono::seconds(120));
  first.join();
  second.join();
  ASSERT_TRUE(complete) << echo.size() << " of " << kTotal << " bytes came back";
  EXPECT_FALSE(badRefusal);
  ASSERT_EQ(echo.size(), kTotal);

  int next[3] = {0, 0, 0};
  for (std::size_t start = 0; start < kTotal; start += kPiece) {
    const int id = echo[start];
    ASSERT_TRUE(id == 1 || id == 2) << "piece at " << start;
    const int sequence = echo[start + 1] | (echo[start + 2] << 8);
    ASSERT_EQ(sequence, next[id]) << "writer " << id << " at " << start;
    ++next[id];
    for (int at = 3; at < kPiece; ++at) {
      ASSERT_EQ(echo[start + at], pieceByte(id, sequence, at)) << "writer " << id << " piece " << sequence;
    }
  }
  EXPECT_EQ(next[1], kPiecesPerWriter);
  EXPECT_EQ(next[2], kPiecesPerWriter);

  ASSERT_TRUE(WaitFor([] { return PortGetPendingWrite(kEthernet) == 0; }));
  std::size_t reported = 0;
  for (const auto& progress : CallbackLog::Get().ProgressCalls()) {
    EXPECT_EQ(progress.tag, 0);
    EXPECT_LE(progress.count, kChunk);
    if (progress.complete == 1) reported += static_cast<std::size_t>(progress.count);
  }
  EXPECT_EQ(reported, kTotal);
  EXPECT_EQ(PortClose(kEthernet), 1);
}

TEST_F(EthernetPortTest, OpenFailsWithoutTouchingTcpWhenTheUnitIsSilent) {
  Reprofile([](sim::EthernetUnitProfile& p) { p.silent = true; });
  EXPECT_EQ(PortOpen(kEthernet), 0);
  EXPECT_EQ(PortIsOpen(kEthernet), 0);
  for (const auto& attempt : LoopbackNetwork::Attempts()) EXPECT_NE(attempt.traffic, EthernetTraffic::kConnect);
  EXPECT_EQ(CallbackLog::Get().Opens(), 0);
}

TEST_F(EthernetPortTest, OpenFailsWhenTheConnectionIsRefused) {
  // A bad ready reply still lets the open go on; the refused connection stops it.
  Reprofile([](sim::EthernetUnitProfile& p) { p.readyByte = 1; });
  library.network.Point(unit.UdpPort(), 1);
  EXPECT_EQ(PortOpen(kEthernet), 0);
  EXPECT_EQ(PortGetHandle(kEthernet), -1);
  EXPECT_EQ(CallbackLog::Get().Opens(), 0);
}

TEST_F(EthernetPortTest, TheUnitEndingTheConnectionClosesThePort) {
  ASSERT_EQ(PortOpen(kEthernet), 1);
  ASSERT_TRUE(WaitFor([&] { return unit.TcpConnected(); }));
  unit.DropConnection();
  EXPECT_TRUE(WaitFor([] {
    PumpMessages();
    return PortIsOpen(kEthernet) == 0;
  }));
  EXPECT_TRUE(WaitFor([] { return CallbackLog::Get().Closes() == 1; }));
  EXPECT_EQ(PortGetHandle(kEthernet), -1);
  // And it opens again.
  EXPECT_EQ(PortOpen(kEthernet), 1);
}

TEST_F(EthernetPortTest, ANoticeAboutAnEarlierConnectionLeavesTheNextOneAlone) {
  // Closing and opening again often gives the new connection the old one's socket value; a
  // notice still on its way about the old connection must not close the new one.
  for (int cycle = 0; cycle < 10; ++cycle) {
    ASSERT_EQ(PortOpen(kEthernet), 1);
    ASSERT_EQ(PortClose(kEthernet), 1);
    ASSERT_EQ(PortOpen(kEthernet), 1);
    for (int i = 0; i < 10; ++i) {
      PumpMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(PortIsOpen(kEthernet), 1) << "cycle " << cycle;
    ASSERT_NE(PortGetHandle(kEthernet), -1);
    ASSERT_EQ(PortClose(kEthernet), 1);
  }
  // Each close called on-close once, the port's own and no other.
  EXPECT_EQ(CallbackLog::Get().Closes(), 20);
}

TEST_F(EthernetPortTest, AConnectNoticeThatComesAfterTheCloseIsIgnored) {
  ASSERT_EQ(PortOpen(kEthernet), 1);
  const std::intptr_t socket = PortGetHandle(kEthernet);
  const std::uint32_t connection = port().Connection();
  ASSERT_EQ(PortClose(kEthernet), 1);
  PumpMessages();
  const int opens = CallbackLog::Get().Opens();
  EXPECT_FALSE(HandleTcpNotification(socket, kTcpEventConnect, connection));
  EXPECT_EQ(PortIsOpen(kEthernet), 0);
  EXPECT_EQ(PortGetHandle(kEthernet), -1);
  EXPECT_EQ(CallbackLog::Get().Opens(), opens);
  // The same socket value on a newer connection: the old notice is still not for it.
  ASSERT_EQ(PortOpen(kEthernet), 1);
  EXPECT_FALSE(HandleTcpNotification(PortGetHandle(kEthernet), kTcpEventClose, connection));
  EXPECT_EQ(PortIsOpen(kEthernet), 1);
  EXPECT_TRUE(HandleTcpNotification(PortGetHandle(kEthernet), kTcpEventClose, port().Connection()));
  EXPECT_EQ(PortIsOpen(kEthernet), 0);
}

}  // namespace
}  // namespace qx::port
