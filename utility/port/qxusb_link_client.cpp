#include "utility/port/qxusb_link_client.h"

#include <cstring>

namespace qx::qxusb {

void PutU32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool LinkTransact(platform::SocketHandle socket, std::uint8_t op, const void* head, std::uint32_t headSize,
                  const void* body, std::uint32_t bodySize, std::uint32_t maxPayload, std::uint32_t waitMs,
                  LinkResponse* response) {
  std::vector<std::uint8_t> frame(5 + static_cast<std::size_t>(headSize) + bodySize);
  frame[0] = op;
  PutU32(frame.data() + 1, headSize + bodySize);
  if (headSize > 0) std::memcpy(frame.data() + 5, head, headSize);
  if (bodySize > 0) std::memcpy(frame.data() + 5 + headSize, body, bodySize);
  if (!platform::SendAll(socket, frame.data(), frame.size())) return false;

  std::uint8_t header[5];
  if (platform::ReceiveExact(socket, header, sizeof header, waitMs) != platform::ReceiveResult::kOk) return false;
  std::uint32_t n = GetU32(header + 1);
  if (n > maxPayload) return false;
  response->status = header[0];
  response->payload.resize(n);
  return n == 0 || platform::ReceiveExact(socket, response->payload.data(), n, waitMs) == platform::ReceiveResult::kOk;
}

}  // namespace qx::qxusb
