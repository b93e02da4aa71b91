#pragma once

#include <functional>
#include <string>

#include "sim/bus.h"

// The simulator's control interface: one text line in, one or more lines out, the last starting
// with "ok" or "error". Used on the control port and on standard input alike.
namespace qx::sim {

struct ControlContext {
  SimState* state = nullptr;
  std::string profileDirectory;  // where relative profile names are looked up
  std::function<void()> quit;
};

std::string ExecuteControl(ControlContext* context, const std::string& line);

}  // namespace qx::sim
