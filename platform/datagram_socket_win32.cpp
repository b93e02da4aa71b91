#include <winsock2.h>

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

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

}  // namespace

SocketHandle OpenDatagramSocket() {
  SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
  return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
}

bool BindDatagramSocket(SocketHandle socket, const Ipv4Endpoint& local, bool reuse) {
  BOOL one = TRUE;
  if (reuse) ::setsockopt(Native(socket), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
  sockaddr_in sa = ToSockaddr(local);
  return ::bind(Native(socket), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
}

std::uint16_t BoundPort(SocketHandle socket) {
  sockaddr_in sa{};
  int size = sizeof sa;
  if (::getsockname(Native(socket), reinterpret_cast<sockaddr*>(&sa), &size) != 0) return 0;
  return ntohs(sa.sin_port);
}

int SendDatagram(SocketHandle socket, const Ipv4Endpoint& to, const void* data, std::size_t length) {
  sockaddr_in sa = ToSockaddr(to);
  int n = ::sendto(Native(socket), static_cast<const char*>(data), static_cast<int>(length), 0,
                   reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  return n == SOCKET_ERROR ? -1 : n;
}

bool SetBroadcast(SocketHandle socket, bool on) {
  BOOL value = on ? TRUE : FALSE;
  return ::setsockopt(Native(socket), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

int ReceiveDatagram(SocketHandle socket, void* buffer, std::size_t capacity, Ipv4Endpoint* from,
                    std::uint32_t timeoutMs) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Native(socket), &readable);
  timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
  int ready = ::select(0, &readable, nullptr, nullptr, &wait);
  if (ready == SOCKET_ERROR) return -1;
  if (ready == 0) return 0;
  sockaddr_in sa{};
  int size = sizeof sa;
  int n = ::recvfrom(Native(socket), static_cast<char*>(buffer), static_cast<int>(capacity), 0,
                     reinterpret_cast<sockaddr*>(&sa), &size);
  if (n == SOCKET_ERROR) {
    // A datagram longer than the buffer arrives cut; a port-unreachable answer to an earlier
    // send is not an error of this receive.
    int error = WSAGetLastError();
    if (error == WSAEMSGSIZE) n = static_cast<int>(capacity);
    else return error == WSAECONNRESET ? 0 : -1;
  }
  if (from != nullptr) {
    std::memcpy(from->address, &sa.sin_addr, 4);
    from->port = ntohs(sa.sin_port);
  }
  return n;
}

void ShutdownSocket(SocketHandle socket) {
  if (socket != kInvalidSocket) ::shutdown(Native(socket), SD_BOTH);
}

}  // namespace qx::platform
