#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/stream_socket.h"

namespace qx::platform {

namespace {

sockaddr_in ToSockaddr(const Ipv4Endpoint& endpoint) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  std::memcpy(&sa.sin_addr, endpoint.address, 4);
  sa.sin_port = htons(endpoint.port);
  return sa;
}

// 0 timeout, 1 readable, -1 error.
int WaitReadable(int fd, std::uint32_t timeoutMs) {
  pollfd pfd{fd, POLLIN, 0};
  int ready = ::poll(&pfd, 1, timeoutMs > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(timeoutMs));
  if (ready < 0) return errno == EINTR ? 0 : -1;
  return ready == 0 ? 0 : 1;
}

}  // namespace

SocketHandle OpenStreamSocket() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return fd < 0 ? kInvalidSocket : fd;
}

ConnectResult ConnectStream(SocketHandle socket, const Ipv4Endpoint& to) {
  sockaddr_in sa = ToSockaddr(to);
  if (::connect(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return ConnectResult::kOk;
  return errno == EINPROGRESS ? ConnectResult::kWouldBlock : ConnectResult::kFailed;
}

int SendStream(SocketHandle socket, const void* data, std::size_t length) {
  ssize_t n;
  do {
    n = ::send(static_cast<int>(socket), data, length, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

int ReceiveStream(SocketHandle socket, void* buffer, std::size_t capacity, std::uint32_t timeoutMs) {
  const int fd = static_cast<int>(socket);
  int ready = WaitReadable(fd, timeoutMs);
  if (ready < 0) return kStreamEnded;
  if (ready == 0) return 0;
  ssize_t n = ::recv(fd, buffer, capacity, MSG_DONTWAIT);
  if (n > 0) return static_cast<int>(n);
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
  return kStreamEnded;
}

SocketHandle ListenStream(const Ipv4Endpoint& local, std::uint16_t* boundPort) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kInvalidSocket;
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in sa = ToSockaddr(local);
  socklen_t size = sizeof sa;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 8) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &size) != 0) {
    ::close(fd);
    return kInvalidSocket;
  }
  if (boundPort != nullptr) *boundPort = ntohs(sa.sin_port);
  return fd;
}

SocketHandle AcceptStream(SocketHandle listener, std::uint32_t timeoutMs) {
  const int fd = static_cast<int>(listener);
  if (WaitReadable(fd, timeoutMs) != 1) return kInvalidSocket;
  int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
  if (client < 0) return kInvalidSocket;
  int one = 1;
  ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return client;
}

}  // namespace qx::platform
