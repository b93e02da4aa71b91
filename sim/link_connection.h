#pragma once

#include <atomic>

#include "sim/bus.h"

namespace qx::sim {

// Serves one QXUSB link connection: frames in, answers out. A malformed or unknown frame, or a
// frame left unfinished for kPartialFrameMs, is answered "failed" and ends this connection only.
inline constexpr int kPartialFrameMs = 2000;
void ServeLinkConnection(SimState* state, int socket, const std::atomic<bool>& stopping);

}  // namespace qx::sim
