#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ipv4_endpoint.h"
#include "platform/loopback_socket.h"

// TCP sockets over IPv4. The socket layer must be started (socket_layer.h) on Windows.
// Close with CloseSocket, shut down with ShutdownSocket (datagram_socket.h).
namespace qx::platform {

SocketHandle OpenStreamSocket();

enum class ConnectResult { kOk, kWouldBlock, kFailed };
// A blocking connect; kWouldBlock only where the socket was made non-blocking by someone else.
ConnectResult ConnectStream(SocketHandle socket, const Ipv4Endpoint& to);

// One send call: the count taken, -1 on a socket error.
int SendStream(SocketHandle socket, const void* data, std::size_t length);

inline constexpr int kStreamEnded = -1;
// Waits at most timeoutMs, then one receive call: the count (1..capacity), 0 when nothing came
// in time, kStreamEnded when the peer closed the connection or it failed.
int ReceiveStream(SocketHandle socket, void* buffer, std::size_t capacity, std::uint32_t timeoutMs);

// A listening socket on a local address (port 0: a free one, reported in *boundPort).
SocketHandle ListenStream(const Ipv4Endpoint& local, std::uint16_t* boundPort);
// Waits at most timeoutMs for a connection: its socket, or kInvalidSocket.
SocketHandle AcceptStream(SocketHandle listener, std::uint32_t timeoutMs);

}  // namespace qx::platform
