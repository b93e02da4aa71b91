#pragma once

#include <cstdint>

// Starting and stopping the system's socket layer (WinSock on Windows; nothing to do elsewhere).
namespace qx::platform {

// Asks for `version` (WinSock numbering: major in the low byte, 0x0101 = 1.1). True when the
// layer started; *granted then holds the version it gives. Every successful start is matched by
// one StopSocketLayer.
bool StartSocketLayer(std::uint16_t version, std::uint16_t* granted);
void StopSocketLayer();

}  // namespace qx::platform
