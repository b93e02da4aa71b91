#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/loopback_socket.h"

// What a test needs of a running qxr7000-sim: its two addresses (from the fixture's file named by
// QXR7000_SIM_FILE, or from QXR7000_SIM and QXR7000_SIM_CONTROL) and its control interface.
namespace qx::simtest {

struct SimAddresses {
  platform::LoopbackAddress link;
  platform::LoopbackAddress control;
};

// False when no simulator was handed to this test.
bool FindRunningSim(SimAddresses* addresses, std::string* why);

// One control command; the answer's lines, the last starting with "ok" or "error".
std::vector<std::string> SimControl(const platform::LoopbackAddress& control, const std::string& command);

// True when the last answer line starts with "ok".
bool SimControlOk(const platform::LoopbackAddress& control, const std::string& command);

std::string Hex(const std::vector<std::uint8_t>& bytes);

}  // namespace qx::simtest
