#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>
#include <mutex>

#include "platform/clock.h"
#include "platform/loopback_socket.h"

namespace qx::platform {

bool SocketsStartup() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  });
  return started;
}

SocketHandle ConnectLoopback(const LoopbackAddress& address) {
  if (!SocketsStartup()) return kInvalidSocket;
  SOCKET s = ::socket(address.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kInvalidSocket;
  int rc;
  if (address.ipv6) {
    sockaddr_in6 sa{};
    sa.sin6_family = AF_INET6;
    sa.sin6_addr = in6addr_loopback;
    sa.sin6_port = htons(address.port);
    rc = ::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  } else {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    std::memcpy(&sa.sin_addr, address.ipv4, 4);
    sa.sin_port = htons(address.port);
    rc = ::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  }
  if (rc != 0) {
    ::closesocket(s);
    return kInvalidSocket;
  }
  BOOL one = TRUE;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  return static_cast<SocketHandle>(s);
}

bool SendAll(SocketHandle socket, const void* data, std::size_t length) {
  const char* p = static_cast<const char*>(data);
  while (length > 0) {
    int chunk = length > 0x10000 ? 0x10000 : static_cast<int>(length);
    int n = ::send(static_cast<SOCKET>(socket), p, chunk, 0);
    if (n <= 0) return false;
    p += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

ReceiveResult ReceiveExact(SocketHandle socket, void* data, std::size_t length,
                           std::uint32_t timeoutMs) {
  char* p = static_cast<char*>(data);
  SOCKET s = static_cast<SOCKET>(socket);
  std::uint32_t start = MillisecondClock();
  while (length > 0) {
    std::uint32_t elapsed = MillisecondClock() - start;
    if (elapsed >= timeoutMs) return ReceiveResult::kTimeout;
    WSAPOLLFD pfd{s, POLLRDNORM, 0};
    std::uint32_t left = timeoutMs - elapsed;
    int ready = ::WSAPoll(&pfd, 1, left > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<INT>(left));
    if (ready == SOCKET_ERROR) return ReceiveResult::kError;
    if (ready == 0) return ReceiveResult::kTimeout;
    int chunk = length > 0x10000 ? 0x10000 : static_cast<int>(length);
    int n = ::recv(s, p, chunk, 0);
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
  SOCKET s = static_cast<SOCKET>(socket);
  // A blocking receive bounded by the socket's receive time-out: one call where a poll and a
  // receive would be two, which under Wine also saves two trips through its server per answer.
  // A time-out of 0 would mean none at all.
  DWORD wait = timeoutMs == 0 ? 1 : timeoutMs;
  if (::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait) != 0) {
    return ReceiveResult::kError;
  }
  int chunk = capacity > 0x10000 ? 0x10000 : static_cast<int>(capacity);
  int n = ::recv(s, static_cast<char*>(data), chunk, 0);
  if (n == 0) return ReceiveResult::kClosed;
  if (n < 0) return ::WSAGetLastError() == WSAETIMEDOUT ? ReceiveResult::kTimeout : ReceiveResult::kError;
  *received = static_cast<std::size_t>(n);
  return ReceiveResult::kOk;
}

void CloseSocket(SocketHandle socket) {
  if (socket != kInvalidSocket) ::closesocket(static_cast<SOCKET>(socket));
}

}  // namespace qx::platform
