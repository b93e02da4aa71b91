#include <winsock2.h>
#include <ws2tcpip.h>

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

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

// 0 timeout, 1 readable, -1 error.
int WaitReadable(SOCKET s, std::uint32_t timeoutMs) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(s, &readable);
  timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
  int ready = ::select(0, &readable, nullptr, nullptr, &wait);
  if (ready == SOCKET_ERROR) return -1;
  return ready == 0 ? 0 : 1;
}

}  // namespace

SocketHandle OpenStreamSocket() {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(s);
}

ConnectResult ConnectStream(SocketHandle socket, const Ipv4Endpoint& to) {
  sockaddr_in sa = ToSockaddr(to);
  if (::connect(Native(socket), reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return ConnectResult::kOk;
  return WSAGetLastError() == WSAEWOULDBLOCK ? ConnectResult::kWouldBlock : ConnectResult::kFailed;
}

int SendStream(SocketHandle socket, const void* data, std::size_t length) {
  int chunk = length > 0x10000 ? 0x10000 : static_cast<int>(length);
  int n = ::send(Native(socket), static_cast<const char*>(data), chunk, 0);
  return n == SOCKET_ERROR ? -1 : n;
}

int ReceiveStream(SocketHandle socket, void* buffer, std::size_t capacity, std::uint32_t timeoutMs) {
  int ready = WaitReadable(Native(socket), timeoutMs);
  if (ready < 0) return kStreamEnded;
  if (ready == 0) return 0;
  int chunk = capacity > 0x10000 ? 0x10000 : static_cast<int>(capacity);
  int n = ::recv(Native(socket), static_cast<char*>(buffer), chunk, 0);
  if (n > 0) return n;
  if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return 0;
  return kStreamEnded;
}

SocketHandle ListenStream(const Ipv4Endpoint& local, std::uint16_t* boundPort) {
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return kInvalidSocket;
  sockaddr_in sa = ToSockaddr(local);
  int size = sizeof sa;
  if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(s, 8) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&sa), &size) != 0) {
    ::closesocket(s);
    return kInvalidSocket;
  }
  if (boundPort != nullptr) *boundPort = ntohs(sa.sin_port);
  return static_cast<SocketHandle>(s);
}

SocketHandle AcceptStream(SocketHandle listener, std::uint32_t timeoutMs) {
  if (WaitReadable(Native(listener), timeoutMs) != 1) return kInvalidSocket;
  SOCKET client = ::accept(Native(listener), nullptr, nullptr);
  if (client == INVALID_SOCKET) return kInvalidSocket;
  BOOL one = TRUE;
  ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  return static_cast<SocketHandle>(client);
}

}  // namespace qx::platform
