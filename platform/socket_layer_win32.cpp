#include <winsock2.h>

#include "platform/socket_layer.h"

namespace qx::platform {

bool StartSocketLayer(std::uint16_t version, std::uint16_t* granted) {
  WSADATA data;
  if (WSAStartup(version, &data) != 0) return false;
  if (granted != nullptr) *granted = data.wVersion;
  return true;
}

void StopSocketLayer() { WSACleanup(); }

}  // namespace qx::platform
