#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/datagram_socket.h"

namespace qx::platform {

namespace {

sockaddr_in ToSockaddr(const Ipv4Endpoint& endpoint) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  std::memcpy(&sa.sin_addr, endpoint.address, 4);
  sa.sin_port = htons(endpoint.port);
  return sa;
}

}  // namespace

SocketHandle OpenDatagramSocket() {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  return fd < 0 ? kInvalidSocket : fd;
}

bool BindDatagramSocket(SocketHandle socket, const Ipv4Endpoint& local, bool reuse) {
  int one = 1;
  if (reuse) ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in sa = ToSockaddr(local);
  return ::bind(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

std::uint16_t BoundPort(SocketHandle socket) {
  sockaddr_in sa{};
  socklen_t size = sizeof sa;
  if (::getsockname(static_cast<int>(socket), reinterpret_cast<sockaddr*>(&sa), &size) != 0) return 0;
  return ntohs(sa.sin_port);
}

int SendDatagram(SocketHandle socket, const Ipv4Endpoint& to, const void* data, std::size_t length) {
  sockaddr_in sa = ToSockaddr(to);
  ssize_t n;
  do {
    n = ::sendto(static_cast<int>(socket), data, length, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

bool SetBroadcast(SocketHandle socket, bool on) {
  int value = on ? 1 : 0;
  return ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_BROADCAST, &value, sizeof value) == 0;
}

int ReceiveDatagram(SocketHandle socket, void* buffer, std::size_t capacity, Ipv4Endpoint* from,
                    std::uint32_t timeoutMs) {
  pollfd pfd{static_cast<int>(socket), POLLIN, 0};
  int ready = ::poll(&pfd, 1, timeoutMs > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(timeoutMs));
  if (ready < 0) return errno == EINTR ? 0 : -1;
  if (ready == 0) return 0;
  sockaddr_in sa{};
  socklen_t size = sizeof sa;
  ssize_t n = ::recvfrom(static_cast<int>(socket), buffer, capacity, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&sa), &size);
  if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
  if (from != nullptr) {
    std::memcpy(from->address, &sa.sin_addr, 4);
    from->port = ntohs(sa.sin_port);
  }
  return static_cast<int>(n);
}

void ShutdownSocket(SocketHandle socket) {
  if (socket != kInvalidSocket) ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}

}  // namespace qx::platform
