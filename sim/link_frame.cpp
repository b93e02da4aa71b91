#include "sim/link_frame.h"

namespace qx::sim {

std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

FrameStatus DecodeFrame(const std::uint8_t* data, std::size_t size, LinkFrame* frame, std::size_t* consumed) {
  if (size < kFrameHeaderSize) return FrameStatus::kNeedMore;
  std::uint32_t n = ReadU32(data + 1);
  if (n > kMaxFramePayload) return FrameStatus::kMalformed;
  if (size - kFrameHeaderSize < n) return FrameStatus::kNeedMore;
  frame->op = data[0];
  frame->payload.assign(data + kFrameHeaderSize, data + kFrameHeaderSize + n);
  *consumed = kFrameHeaderSize + n;
  return FrameStatus::kFrame;
}

std::vector<std::uint8_t> EncodeResponse(LinkStatus status, const std::uint8_t* payload, std::size_t size) {
  std::vector<std::uint8_t> out;
  out.reserve(kFrameHeaderSize + size);
  out.push_back(static_cast<std::uint8_t>(status));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
  if (size > 0) out.insert(out.end(), payload, payload + size);
  return out;
}

}  // namespace qx::sim
