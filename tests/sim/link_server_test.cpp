// The link and control servers in-process over real loopback sockets: broken frames end only
// their own connection, and nothing listens anywhere but on loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "platform/loopback_socket.h"
#include "sim/bus.h"
#include "sim/link_connection.h"
#include "sim/listen_address.h"
#include "sim/profile.h"
#include "sim/tcp_server.h"

namespace qx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

class LinkServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Profile p;
    std::string error;
    ASSERT_TRUE(LoadProfileFile(std::string(QX_SIM_PROFILES) + "/default.json", &p, &error)) << error;
    state_.bus.SetProfile(p);
    ASSERT_TRUE(server_.Listen("127.0.0.1:0", &error)) << error;
    server_.Start([this](int socket, const std::atomic<bool>& stopping) { ServeLinkConnection(&state_, socket, stopping); });
    ASSERT_TRUE(platform::ParseLoopbackAddress(server_.address().c_str(), &address_));
  }
  void TearDown() override {
    {
      std::lock_guard<std::mutex> lock(state_.mutex);
      state_.stopping = true;
      state_.changed.notify_all();
    }
    server_.Stop();
  }

  platform::SocketHandle Connect() {
    platform::SocketHandle s = platform::ConnectLoopback(address_);
    EXPECT_NE(s, platform::kInvalidSocket);
    return s;
  }
  static Bytes Frame(std::uint8_t op, const Bytes& payload) {
    Bytes f;
    f.reserve(5 + payload.size());
    f.push_back(op);
    for (int i = 0; i < 4; ++i) f.push_back(static_cast<std::uint8_t>(payload.size() >> (8 * i)));
    for (std::uint8_t b : payload) f.push_back(b);
    return f;
  }
  // The answer's bytes, up to `size`, or fewer when the connection closes.
  static Bytes Answer(platform::SocketHandle s, std::size_t size) {
    Bytes out(size);
    std::size_t got = 0;
    while (got < size) {
      if (platform::ReceiveExact(s, out.data() + got, 1, 5000) != platform::ReceiveResult::kOk) break;
      ++got;
    }
    out.resize(got);
    return out;
  }
  static bool ClosedByPeer(platform::SocketHandle s) {
    std::uint8_t b;
    return platform::ReceiveExact(s, &b, 1, 5000) == platform::ReceiveResult::kClosed;
  }
  void ExpectEnumerateWorks(platform::SocketHandle s) {
    Bytes f = Frame('E', {0, 0, 0, 0});
    ASSERT_TRUE(platform::SendAll(s, f.data(), f.size()));
    Bytes header = Answer(s, 5);
    ASSERT_EQ(header.size(), 5u);
    EXPECT_EQ(header[0], 0);
    std::uint32_t n;
    std::memcpy(&n, &header[1], 4);
    EXPECT_EQ(Answer(s, n).size(), n);
  }

  SimState state_;
  TcpServer server_;
  platform::LoopbackAddress address_;
};

TEST_F(LinkServerTest, BrokenFramesAreAnsweredFailedAndCloseOnlyTheirConnection) {
  struct Case {
    const char* what;
    Bytes bytes;
  };
  Bytes oversized{'W', 0xFF, 0xFF, 0xFF, 0xFF};
  const Case kCases[] = {
      {"unknown op", Frame('Z', {})},
      {"enumerate with 3 payload bytes", Frame('E', {0, 0, 0})},
      {"open of function 'Z'", Frame('O', {0, 0, 0, 0, 'Z'})},
      {"read with 4 payload bytes", Frame('R', {1, 0, 0, 0})},
      {"control without code and size", Frame('C', {0, 0x20})},
      {"close with a payload", Frame('X', {1})},
      {"payload longer than any request", oversized},
  };
  platform::SocketHandle bystander = Connect();
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    platform::SocketHandle s = Connect();
    ASSERT_TRUE(platform::SendAll(s, c.bytes.data(), c.bytes.size()));
    EXPECT_EQ(Answer(s, 5), (Bytes{1, 0, 0, 0, 0}));
    EXPECT_TRUE(ClosedByPeer(s));
    platform::CloseSocket(s);
    ExpectEnumerateWorks(bystander);
  }
  platform::CloseSocket(bystander);
}

TEST_F(LinkServerTest, TruncatedFrameIsAnsweredFailed) {
  platform::SocketHandle bystander = Connect();
  platform::SocketHandle s = Connect();
  const Bytes partial{'E', 4, 0, 0, 0, 0};  // one payload byte of four, then silence
  ASSERT_TRUE(platform::SendAll(s, partial.data(), partial.size()));
  ExpectEnumerateWorks(bystander);
  EXPECT_EQ(Answer(s, 5), (Bytes{1, 0, 0, 0, 0}));
  EXPECT_TRUE(ClosedByPeer(s));
  platform::CloseSocket(s);
  platform::CloseSocket(bystander);
}

TEST_F(LinkServerTest, CallsBeforeOpenFailWithoutClosing) {
  platform::SocketHandle s = Connect();
  for (const Bytes& f : {Frame('W', {0x1B, '@'}), Frame('R', {1, 0, 0, 0, 10, 0, 0, 0}),
                         Frame('C', {0x00, 0x20, 0x22, 0x00, 4, 0, 0, 0})}) {
    ASSERT_TRUE(platform::SendAll(s, f.data(), f.size()));
    EXPECT_EQ(Answer(s, 5), (Bytes{1, 0, 0, 0, 0}));
  }
  ExpectEnumerateWorks(s);
  Bytes open = Frame('O', {0, 0, 0, 0, 'Q'});
  ASSERT_TRUE(platform::SendAll(s, open.data(), open.size()));
  EXPECT_EQ(Answer(s, 5), (Bytes{0, 0, 0, 0, 0}));
  ASSERT_TRUE(platform::SendAll(s, open.data(), open.size()));
  EXPECT_EQ(Answer(s, 5), (Bytes{1, 0, 0, 0, 0})) << "a connection is one handle";
  Bytes close = Frame('X', {});
  ASSERT_TRUE(platform::SendAll(s, close.data(), close.size()));
  EXPECT_EQ(Answer(s, 5), (Bytes{0, 0, 0, 0, 0}));
  EXPECT_TRUE(ClosedByPeer(s));
  platform::CloseSocket(s);
}

TEST_F(LinkServerTest, WriteAndReadFramesCarryTheScannerDialogue) {
  platform::SocketHandle s = Connect();
  Bytes open = Frame('O', {0, 0, 0, 0, 'Q'});
  ASSERT_TRUE(platform::SendAll(s, open.data(), open.size()));
  ASSERT_EQ(Answer(s, 5), (Bytes{0, 0, 0, 0, 0}));
  Bytes write = Frame('W', {0x1D, 'I', 0x42});
  ASSERT_TRUE(platform::SendAll(s, write.data(), write.size()));
  EXPECT_EQ(Answer(s, 9), (Bytes{0, 4, 0, 0, 0, 3, 0, 0, 0}));
  // Ask for 4 bytes: sent as soon as 4 are there.
  Bytes read = Frame('R', {4, 0, 0, 0, 0xE8, 0x03, 0, 0});
  ASSERT_TRUE(platform::SendAll(s, read.data(), read.size()));
  EXPECT_EQ(Answer(s, 9), (Bytes{0, 4, 0, 0, 0, '_', 'N', 'O', 'R'}));
  // Ask for 100 with no wait: what is there.
  Bytes rest = Frame('R', {100, 0, 0, 0, 0, 0, 0, 0});
  ASSERT_TRUE(platform::SendAll(s, rest.data(), rest.size()));
  EXPECT_EQ(Answer(s, 8), (Bytes{0, 3, 0, 0, 0, 'V', 'A', 0}));
  platform::CloseSocket(s);
}

TEST(ListenAddress, OnlyLoopbackIsAccepted) {
  const char* kRefused[] = {"0.0.0.0:0", "192.168.192.168:9100", "10.0.0.1:5000", "[::]:0", "example.com:0",
                            ":0", "127.0.0.1", "127.0.0.1:65536", "127.0.0.256:0", "1.127.0.0:0", "[::2]:0"};
  for (const char* text : kRefused) {
    platform::LoopbackAddress a;
    std::string error;
    EXPECT_FALSE(ParseListenAddress(text, &a, &error)) << text;
    TcpServer server;
    EXPECT_FALSE(server.Listen(text, &error)) << text;
    EXPECT_FALSE(error.empty());
  }
  TcpServer server;
  std::string error;
  ASSERT_TRUE(server.Listen("127.0.0.1:0", &error)) << error;
  EXPECT_NE(server.port(), 0);
  EXPECT_EQ(server.address(), "127.0.0.1:" + std::to_string(server.port()));
  TcpServer other;
  ASSERT_TRUE(other.Listen("localhost:0", &error)) << error;
  EXPECT_EQ(other.address().rfind("127.0.0.1:", 0), 0u);
}

}  // namespace
}  // namespace qx::sim
