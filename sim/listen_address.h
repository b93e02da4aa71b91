#pragma once

#include <string>

#include "platform/loopback_socket.h"

namespace qx::sim {

// A listen address for the simulator: a loopback host ("127.x.y.z", "localhost", "[::1]") and a
// port, 0 for any free one. Every other host is refused, so the simulator can never be reached
// from, or answer to, another machine.
bool ParseListenAddress(const std::string& text, platform::LoopbackAddress* address, std::string* error);

}  // namespace qx::sim
