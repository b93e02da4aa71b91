// The control channel's reply parser fed random byte streams cut into datagrams at random points:
// it never keeps more than 512 parameter bytes, never reads or writes outside its record, and
// where the stream is cut makes no difference to the replies it finds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "utility/port/udp_reply_parser.h"

namespace {

using qx::port::kUdpMaxParameters;
using qx::port::UdpReply;
using qx::port::UdpReplyParser;

void Check(const UdpReply& reply) {
  if (reply.length < 0 || reply.length > 0xFFFF || reply.deviceClass > 3 || reply.kind < 0 || reply.kind > 5) std::abort();
  // Nothing is kept past the bytes the reply carried, nor past the 512th.
  const std::size_t kept = static_cast<std::size_t>(reply.length) < kUdpMaxParameters ? reply.length : kUdpMaxParameters;
  for (std::size_t i = kept; i < kUdpMaxParameters; ++i) {
    if (reply.parameters[i] != 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // The first two bytes seed the cut points; the rest is the stream.
  unsigned seed = data[0] | data[1] << 8;
  const std::uint8_t* stream = data + 2;
  const std::size_t length = size - 2;

  UdpReplyParser whole;
  std::vector<UdpReply> expected;
  for (std::size_t i = 0; i < length; ++i) {
    if (whole.Feed(stream[i])) {
      Check(whole.Last());
      expected.push_back(whole.Last());
    }
  }

  UdpReplyParser cut;
  std::size_t found = 0;
  for (std::size_t at = 0; at < length;) {
    seed = seed * 1103515245u + 12345u;
    const std::size_t datagram = 1 + (seed >> 16) % 512;
    const std::size_t end = at + datagram < length ? at + datagram : length;
    for (; at < end; ++at) {
      if (!cut.Feed(stream[at])) continue;
      if (found >= expected.size()) std::abort();
      const UdpReply& got = cut.Last();
      const UdpReply& want = expected[found++];
      if (got.kind != want.kind || got.function != want.function || got.result != want.result ||
          got.length != want.length || std::memcmp(got.parameters, want.parameters, kUdpMaxParameters) != 0) {
        std::abort();
      }
    }
  }
  if (found != expected.size()) std::abort();
  return 0;
}
