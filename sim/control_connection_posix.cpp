#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <string>

#include "sim/control_connection.h"

namespace qx::sim {

void ServeControlConnection(ControlContext* context, int socket, const std::atomic<bool>& stopping) {
  std::string pending;
  char chunk[1024];
  while (!stopping) {
    std::size_t newline = pending.find('\n');
    if (newline != std::string::npos) {
      std::string line = pending.substr(0, newline);
      pending.erase(0, newline + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::string reply = ExecuteControl(context, line);
      if (::send(socket, reply.data(), reply.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(reply.size())) return;
      continue;
    }
    if (pending.size() > kMaxControlLine) {
      static constexpr char kTooLong[] = "error line too long\n";
      ::send(socket, kTooLong, sizeof kTooLong - 1, MSG_NOSIGNAL);
      return;
    }
    pollfd pfd{socket, POLLIN, 0};
    int ready = ::poll(&pfd, 1, 100);
    if (ready < 0 && errno != EINTR) return;
    if (ready <= 0) continue;
    ssize_t n = ::recv(socket, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    pending.append(chunk, static_cast<std::size_t>(n));
  }
}

}  // namespace qx::sim
