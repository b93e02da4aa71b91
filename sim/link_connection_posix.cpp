#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <vector>

#include "platform/clock.h"
#include "sim/link_connection.h"
#include "sim/link_session.h"

namespace qx::sim {
namespace {

bool SendAll(int socket, const std::vector<std::uint8_t>& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

void ServeLinkConnection(SimState* state, int socket, const std::atomic<bool>& stopping) {
  LinkSession session(state);
  std::vector<std::uint8_t> buffer;
  std::uint8_t chunk[4096];
  std::uint32_t partialSince = 0;
  for (;;) {
    LinkFrame frame;
    std::size_t consumed = 0;
    FrameStatus status = DecodeFrame(buffer.data(), buffer.size(), &frame, &consumed);
    if (status == FrameStatus::kMalformed) {
      SendAll(socket, LinkSession::Malformed());
      break;
    }
    if (status == FrameStatus::kFrame) {
      buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(consumed));
      std::vector<std::uint8_t> response;
      LinkSession::After after = session.Handle(frame, &response);
      if (!response.empty() && !SendAll(socket, response)) break;
      if (after == LinkSession::After::kClose) break;
      partialSince = platform::MillisecondClock();
      continue;
    }
    if (stopping) break;
    if (buffer.empty()) partialSince = platform::MillisecondClock();
    pollfd pfd{socket, POLLIN, 0};
    int ready = ::poll(&pfd, 1, 100);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) {
      if (!buffer.empty() && platform::MillisecondClock() - partialSince >= static_cast<std::uint32_t>(kPartialFrameMs)) {
        SendAll(socket, LinkSession::Malformed());
        break;
      }
      continue;
    }
    ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // The peer stopped sending in the middle of a frame: a truncated frame.
      if (n == 0 && !buffer.empty()) SendAll(socket, LinkSession::Malformed());
      break;
    }
    buffer.insert(buffer.end(), chunk, chunk + n);
  }
  session.Closed();
}

}  // namespace qx::sim
