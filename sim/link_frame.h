#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Frames of the QXUSB link between the virtual driver and the simulator:
//   request:  u8 op, u32 n, n bytes of payload
//   response: u8 status, u32 n, n bytes of payload        (integers little-endian)
namespace qx::sim {

enum class LinkStatus : std::uint8_t {
  kOk = 0,
  kFailed = 1,
  kNoMoreItems = 2,
  kBusy = 3,
  kNotFound = 4,
  kSemTimeout = 5,
};

inline constexpr std::size_t kFrameHeaderSize = 5;
// No request the driver makes comes near this; anything longer is taken as a broken frame.
inline constexpr std::uint32_t kMaxFramePayload = 1u << 20;

struct LinkFrame {
  std::uint8_t op = 0;
  std::vector<std::uint8_t> payload;
};

enum class FrameStatus { kFrame, kNeedMore, kMalformed };

// Decodes the frame at the start of `data`; kFrame sets *consumed to its size.
FrameStatus DecodeFrame(const std::uint8_t* data, std::size_t size, LinkFrame* frame, std::size_t* consumed);

std::vector<std::uint8_t> EncodeResponse(LinkStatus status, const std::uint8_t* payload, std::size_t size);
std::uint32_t ReadU32(const std::uint8_t* p);

}  // namespace qx::sim
