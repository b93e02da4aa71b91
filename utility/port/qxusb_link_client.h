#pragma once

#include <cstdint>
#include <vector>

#include "platform/loopback_socket.h"

// The client side of the QXUSB link: one request frame out, one response frame in.
//   request:  u8 op, u32 n, n bytes of payload
//   response: u8 status, u32 n, n bytes of payload        (integers little-endian)
namespace qx::qxusb {

enum LinkStatusByte : std::uint8_t {
  kLinkOk = 0,
  kLinkFailed = 1,
  kLinkNoMoreItems = 2,
  kLinkBusy = 3,
  kLinkNotFound = 4,
  kLinkSemTimeout = 5,
};

struct LinkResponse {
  std::uint8_t status = kLinkFailed;
  std::vector<std::uint8_t> payload;
};

// Sends the request (header, then `head` and `body` as one payload) and waits up to `waitMs`
// for the answer, whose payload may be at most `maxPayload` bytes. False when the link broke:
// the connection failed or closed, the answer was late, or it was larger than allowed.
bool LinkTransact(platform::SocketHandle socket, std::uint8_t op, const void* head, std::uint32_t headSize,
                  const void* body, std::uint32_t bodySize, std::uint32_t maxPayload, std::uint32_t waitMs,
                  LinkResponse* response);

enum class LinkReadOutcome {
  kBoth,       // both answers arrived
  kFirstOnly,  // the read's answer arrived, then the link broke (a removed device closes it)
  kBroken,     // the link broke before the read's answer
};

// A read of up to `max` bytes waiting at most `timeoutMs`, followed in the same round trip by a
// read of up to `aheadMax` bytes with no time-out: what else the device has already sent comes
// back with the first answer instead of costing a round trip per piece.
LinkReadOutcome LinkReadAhead(platform::SocketHandle socket, std::uint32_t max, std::uint32_t timeoutMs,
                              std::uint32_t aheadMax, std::uint32_t waitMs, LinkResponse* read,
                              LinkResponse* ahead);

void PutU32(std::uint8_t* p, std::uint32_t value);
std::uint32_t GetU32(const std::uint8_t* p);

}  // namespace qx::qxusb
