#pragma once

#include <atomic>
#include <cstddef>

#include "sim/control_commands.h"

namespace qx::sim {

inline constexpr std::size_t kMaxControlLine = 4096;

// Serves one control connection: a line of text in, its answer out, until the peer closes.
void ServeControlConnection(ControlContext* context, int socket, const std::atomic<bool>& stopping);

}  // namespace qx::sim
