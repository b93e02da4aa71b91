#include "sim/listen_address.h"

namespace qx::sim {

bool ParseListenAddress(const std::string& text, platform::LoopbackAddress* address, std::string* error) {
  std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) {
    *error = "'" + text + "' is not HOST:PORT";
    return false;
  }
  std::string port = text.substr(colon + 1);
  bool anyPort = port == "0";
  // The loopback parser wants a real port; port 0 is checked through a stand-in.
  std::string probe = text.substr(0, colon + 1) + (anyPort ? "1" : port);
  platform::LoopbackAddress parsed;
  if (!platform::ParseLoopbackAddress(probe.c_str(), &parsed)) {
    *error = "'" + text + "' is not a loopback address with a port (127.0.0.1:PORT, [::1]:PORT)";
    return false;
  }
  if (anyPort) parsed.port = 0;
  *address = parsed;
  return true;
}

}  // namespace qx::sim
