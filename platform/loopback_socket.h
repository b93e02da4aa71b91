#pragma once

#include <cstddef>
#include <cstdint>

// A TCP client connection to a service on this machine. Only loopback addresses are accepted
// (127.0.0.0/8, ::1, "localhost"): nothing built on this can reach another host.
namespace qx::platform {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kInvalidSocket = -1;

struct LoopbackAddress {
  bool ipv6 = false;
  std::uint8_t ipv4[4] = {127, 0, 0, 1};
  std::uint16_t port = 0;
};

// Parses "127.x.y.z:PORT", "localhost:PORT" or "[::1]:PORT". False for anything else, including
// every non-loopback host and a port outside 1..65535.
bool ParseLoopbackAddress(const char* text, LoopbackAddress* address);

// Starts the socket layer once per process (WinSock on Windows); true when sockets can be used.
bool SocketsStartup();

// Connects with TCP_NODELAY set; kInvalidSocket on failure.
SocketHandle ConnectLoopback(const LoopbackAddress& address);

// Sends every byte; false when the connection failed.
bool SendAll(SocketHandle socket, const void* data, std::size_t length);

enum class ReceiveResult { kOk, kTimeout, kClosed, kError };

// Receives exactly `length` bytes, waiting at most `timeoutMs` in all.
ReceiveResult ReceiveExact(SocketHandle socket, void* data, std::size_t length,
                           std::uint32_t timeoutMs);

// Waits at most `timeoutMs` for bytes and receives what one call gives, up to `capacity`: one
// wait and one receive, where ReceiveExact may need several.
ReceiveResult ReceiveSome(SocketHandle socket, void* data, std::size_t capacity, std::uint32_t timeoutMs,
                          std::size_t* received);

void CloseSocket(SocketHandle socket);

}  // namespace qx::platform
