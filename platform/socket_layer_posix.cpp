#include "platform/socket_layer.h"

namespace qx::platform {

bool StartSocketLayer(std::uint16_t version, std::uint16_t* granted) {
  if (granted != nullptr) *granted = version;
  return true;
}

void StopSocketLayer() {}

}  // namespace qx::platform
