#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ipv4_endpoint.h"
#include "platform/loopback_socket.h"

// UDP sockets over IPv4. The socket layer must be started (socket_layer.h) on Windows.
namespace qx::platform {

SocketHandle OpenDatagramSocket();
// Binds to a local address (the simulator's units); reuse lets several sockets share a port
// (broadcasts reach every one of them).
bool BindDatagramSocket(SocketHandle socket, const Ipv4Endpoint& local, bool reuse);
// The local port a bound socket got (0 when unknown).
std::uint16_t BoundPort(SocketHandle socket);
// The count sent, or -1 on a socket error.
int SendDatagram(SocketHandle socket, const Ipv4Endpoint& to, const void* data, std::size_t length);
bool SetBroadcast(SocketHandle socket, bool on);
// Waits at most timeoutMs for one datagram: its length (bounded by capacity, the rest dropped),
// 0 when none came, -1 on a socket error. *from gets the sender.
int ReceiveDatagram(SocketHandle socket, void* buffer, std::size_t capacity, Ipv4Endpoint* from,
                    std::uint32_t timeoutMs);
// Shuts both directions down. On Linux a receive in progress returns; Windows (and Wine) let it
// wait out its time-out.
void ShutdownSocket(SocketHandle socket);

}  // namespace qx::platform
