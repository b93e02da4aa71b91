// The client side of the QXUSB link against a scripted loopback server: answers that come in
// pieces or together with the next one, a read and its read-ahead in one round trip, and a
// connection that closes after the first answer.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/loopback_socket.h"
#include "sim/tcp_server.h"
#include "utility/port/qxusb_link_client.h"

namespace qx::qxusb {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Answer(std::uint8_t status, const Bytes& payload) {
  Bytes a{status, 0, 0, 0, 0};
  PutU32(a.data() + 1, static_cast<std::uint32_t>(payload.size()));
  a.insert(a.end(), payload.begin(), payload.end());
  return a;
}

// A server that takes `requestBytes` bytes, then sends each piece of `pieces` as its own send
// with a pause between, and closes when `closeAfter` is set.
class ScriptedServer {
 public:
  ScriptedServer(std::size_t requestBytes, std::vector<Bytes> pieces, bool closeAfter)
      : requestBytes_(requestBytes), pieces_(std::move(pieces)), closeAfter_(closeAfter) {
    std::string error;
    EXPECT_TRUE(server_.Listen("127.0.0.1:0", &error)) << error;
    server_.Start([this](int socket, const std::atomic<bool>& stopping) { Serve(socket, stopping); });
    EXPECT_TRUE(platform::ParseLoopbackAddress(server_.address().c_str(), &address_));
  }
  ~ScriptedServer() { server_.Stop(); }
  const platform::LoopbackAddress& address() const { return address_; }
  Bytes received() {
    std::lock_guard<std::mutex> hold(lock_);
    return received_;
  }

 private:
  void Serve(int socket, const std::atomic<bool>& stopping) {
    std::uint8_t chunk[256];
    while (received().size() < requestBytes_ && !stopping) {
      ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
      if (n <= 0) return;
      std::lock_guard<std::mutex> hold(lock_);
      received_.insert(received_.end(), chunk, chunk + n);
    }
    for (const Bytes& piece : pieces_) {
      ::send(socket, piece.data(), piece.size(), MSG_NOSIGNAL);
      platform::SleepMilliseconds(5);
    }
    if (closeAfter_) {
      ::shutdown(socket, SHUT_RDWR);
      return;
    }
    while (!stopping && ::recv(socket, chunk, sizeof chunk, 0) > 0) {
    }
  }

  std::size_t requestBytes_;
  std::vector<Bytes> pieces_;
  bool closeAfter_;
  std::mutex lock_;
  Bytes received_;
  sim::TcpServer server_;
  platform::LoopbackAddress address_;
};

constexpr std::size_t kReadFrame = 13;  // op, length, max, time-out

TEST(LinkClient, AnAnswerInPiecesIsPutTogether) {
  Bytes whole = Answer(0, {'_', 'N', 'O', 'R', 'V', 'A', 0});
  ScriptedServer server(kReadFrame, {Bytes(whole.begin(), whole.begin() + 2), Bytes(whole.begin() + 2, whole.begin() + 7),
                                     Bytes(whole.begin() + 7, whole.end())},
                        false);
  platform::SocketHandle s = platform::ConnectLoopback(server.address());
  ASSERT_NE(s, platform::kInvalidSocket);
  std::uint8_t request[8];
  PutU32(request, 7);
  PutU32(request + 4, 10);
  LinkResponse r;
  ASSERT_TRUE(LinkTransact(s, 'R', request, 8, nullptr, 0, 64, 5000, &r));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.payload, (Bytes{'_', 'N', 'O', 'R', 'V', 'A', 0}));
  // The request went out as one frame: op, length 8, then the eight bytes.
  EXPECT_EQ(server.received(), (Bytes{'R', 8, 0, 0, 0, 7, 0, 0, 0, 10, 0, 0, 0}));
  platform::CloseSocket(s);
}

TEST(LinkClient, AnAnswerLargerThanAllowedBreaksTheLink) {
  ScriptedServer server(kReadFrame, {Answer(0, Bytes(9, 'x'))}, false);
  platform::SocketHandle s = platform::ConnectLoopback(server.address());
  ASSERT_NE(s, platform::kInvalidSocket);
  std::uint8_t request[8] = {};
  LinkResponse r;
  EXPECT_FALSE(LinkTransact(s, 'R', request, 8, nullptr, 0, 8, 5000, &r));
  platform::CloseSocket(s);
}

TEST(LinkClient, AReadAndItsReadAheadShareOneRoundTrip) {
  // Both answers in one segment, the second one's header split from its payload.
  Bytes first = Answer(0, {'_'});
  Bytes second = Answer(0, {'N', 'O', 'R', 'V', 'A', 0});
  Bytes together = first;
  together.insert(together.end(), second.begin(), second.begin() + 3);
  ScriptedServer server(2 * kReadFrame, {together, Bytes(second.begin() + 3, second.end())}, false);
  platform::SocketHandle s = platform::ConnectLoopback(server.address());
  ASSERT_NE(s, platform::kInvalidSocket);
  LinkResponse read, ahead;
  EXPECT_EQ(LinkReadAhead(s, 1, 10, 4096, 5000, &read, &ahead), LinkReadOutcome::kBoth);
  EXPECT_EQ(read.payload, (Bytes{'_'}));
  EXPECT_EQ(ahead.payload, (Bytes{'N', 'O', 'R', 'V', 'A', 0}));
  // The read with its time-out, then the read-ahead that waits for nothing.
  EXPECT_EQ(server.received(), (Bytes{'R', 8, 0, 0, 0, 1, 0, 0, 0, 10, 0, 0, 0,  //
                                      'R', 8, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0}));
  platform::CloseSocket(s);
}

TEST(LinkClient, AConnectionClosedAfterTheFirstAnswerKeepsThatAnswer) {
  ScriptedServer server(2 * kReadFrame, {Answer(0, {'7'})}, true);
  platform::SocketHandle s = platform::ConnectLoopback(server.address());
  ASSERT_NE(s, platform::kInvalidSocket);
  LinkResponse read, ahead;
  EXPECT_EQ(LinkReadAhead(s, 1, 10, 4096, 5000, &read, &ahead), LinkReadOutcome::kFirstOnly);
  EXPECT_EQ(read.payload, (Bytes{'7'}));
  platform::CloseSocket(s);

  ScriptedServer silent(2 * kReadFrame, {}, true);
  s = platform::ConnectLoopback(silent.address());
  ASSERT_NE(s, platform::kInvalidSocket);
  EXPECT_EQ(LinkReadAhead(s, 1, 10, 4096, 5000, &read, &ahead), LinkReadOutcome::kBroken);
  platform::CloseSocket(s);
}

}  // namespace
}  // namespace qx::qxusb
