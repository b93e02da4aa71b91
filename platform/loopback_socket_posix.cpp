#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/clock.h"
#include "platform/loopback_socket.h"

namespace qx::platform {

bool SocketsStartup() { return true; }

SocketHandle ConnectLoopback(const LoopbackAddress& address) {
  int fd = ::socket(address.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kInvalidSocket;
  int rc;
  if (address.ipv6) {
    sockaddr_in6 sa{};
    sa.sin6_family = AF_INET6;
    sa.sin6_addr = in6addr_loopback;
    sa.sin6_port = htons(address.port);
    rc = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  } else {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    std::memcpy(&sa.sin_addr, address.ipv4, 4);
    sa.sin_port = htons(address.port);
    rc = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  }
  if (rc != 0) {
    ::close(fd);
    return kInvalidSocket;
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

bool SendAll(SocketHandle socket, const void* data, std::size_t length) {
  const char* p = static_cast<const char*>(data);
  while (length > 0) {
    ssize_t n = ::send(static_cast<int>(socket), p, length, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

namespace {

// Waits until the socket has bytes to read or the time-out that began at `start` is over.
ReceiveResult WaitReadable(SocketHandle socket, std::uint32_t start, std::uint32_t timeoutMs) {
  for (;;) {
    std::uint32_t elapsed = MillisecondClock() - start;
    if (elapsed >= timeoutMs) return ReceiveResult::kTimeout;
    pollfd pfd{static_cast<int>(socket), POLLIN, 0};
    std::uint32_t left = timeoutMs - elapsed;
    int ready = ::poll(&pfd, 1, left > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(left));
    if (ready > 0) return ReceiveResult::kOk;
    if (ready == 0) return ReceiveResult::kTimeout;
    if (errno != EINTR) return ReceiveResult::kError;
  }
}

}  // namespace

ReceiveResult ReceiveExact(SocketHandle socket, void* data, std::size_t length,
                           std::uint32_t timeoutMs) {
  char* p = static_cast<char*>(data);
  std::uint32_t start = MillisecondClock();
  while (length > 0) {
    ReceiveResult wait = WaitReadable(socket, start, timeoutMs);
    if (wait != ReceiveResult::kOk) return wait;
    ssize_t n = ::recv(static_cast<int>(socket), p, length, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) return ReceiveResult::kClosed;
    if (n < 0) return ReceiveResult::kError;
    p += n;
    length -= static_cast<std::size_t>(n);
  }
  return ReceiveResult::kOk;
}

ReceiveResult ReceiveSome(SocketHandle socket, void* data, std::size_t capacity, std::uint32_t timeoutMs,
                          std::size_t* received) {
  *received = 0;
  std::uint32_t start = MillisecondClock();
  for (;;) {
    // Bytes already there are taken at once, without a wait.
    ssize_t n = ::recv(static_cast<int>(socket), data, capacity, MSG_DONTWAIT);
    if (n > 0) {
      *received = static_cast<std::size_t>(n);
      return ReceiveResult::kOk;
    }
    if (n == 0) return ReceiveResult::kClosed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return ReceiveResult::kError;
    ReceiveResult wait = WaitReadable(socket, start, timeoutMs);
    if (wait != ReceiveResult::kOk) return wait;
  }
}

void CloseSocket(SocketHandle socket) {
  if (socket != kInvalidSocket) ::close(static_cast<int>(socket));
}

}  // namespace qx::platform
