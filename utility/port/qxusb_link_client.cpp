#include "utility/port/qxusb_link_client.h"

#include <cstring>

#include "platform/clock.h"
#include "platform/wait_trace.h"

namespace qx::qxusb {

void PutU32(std::uint8_t* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

namespace {

constexpr std::size_t kHeaderSize = 5;

void AppendFrame(std::vector<std::uint8_t>* out, std::uint8_t op, const void* head, std::uint32_t headSize,
                 const void* body, std::uint32_t bodySize) {
  std::size_t at = out->size();
  out->resize(at + kHeaderSize + headSize + bodySize);
  std::uint8_t* frame = out->data() + at;
  frame[0] = op;
  PutU32(frame + 1, headSize + bodySize);
  if (headSize > 0) std::memcpy(frame + kHeaderSize, head, headSize);
  if (bodySize > 0) std::memcpy(frame + kHeaderSize + headSize, body, bodySize);
}

// Receives the next answer. An answer mostly comes in one piece, so header and payload are taken
// together; bytes beyond it (the start of a pipelined request's answer) stay in `inbox`.
bool ReceiveAnswer(platform::SocketHandle socket, std::vector<std::uint8_t>* inbox, std::uint32_t maxPayload,
                   std::uint32_t waitMs, LinkResponse* response) {
  const std::uint32_t start = platform::MillisecondClock();
  std::size_t wanted = kHeaderSize;
  for (;;) {
    if (inbox->size() >= kHeaderSize) {
      std::uint32_t n = GetU32(inbox->data() + 1);
      if (n > maxPayload) return false;
      wanted = kHeaderSize + n;
      if (inbox->size() >= wanted) break;
    }
    std::uint32_t elapsed = platform::MillisecondClock() - start;
    if (elapsed >= waitMs) return false;
    std::size_t have = inbox->size();
    // Room for this answer and a following one of the same size.
    inbox->resize(have + 2 * (wanted - have) + kHeaderSize);
    std::size_t got = 0;
    platform::ReceiveResult r = platform::ReceiveSome(socket, inbox->data() + have, inbox->size() - have,
                                                      waitMs - elapsed, &got);
    inbox->resize(have + got);
    if (r != platform::ReceiveResult::kOk) return false;
  }
  response->status = (*inbox)[0];
  response->payload.assign(inbox->begin() + kHeaderSize, inbox->begin() + static_cast<std::ptrdiff_t>(wanted));
  inbox->erase(inbox->begin(), inbox->begin() + static_cast<std::ptrdiff_t>(wanted));
  return true;
}

bool Transact(platform::SocketHandle socket, std::uint8_t op, const void* head, std::uint32_t headSize,
              const void* body, std::uint32_t bodySize, std::uint32_t maxPayload, std::uint32_t waitMs,
              LinkResponse* response) {
  std::vector<std::uint8_t> frame;
  AppendFrame(&frame, op, head, headSize, body, bodySize);
  if (!platform::SendAll(socket, frame.data(), frame.size())) return false;
  // The server answers each request once, so nothing can follow this answer.
  std::vector<std::uint8_t> inbox;
  return ReceiveAnswer(socket, &inbox, maxPayload, waitMs, response);
}

}  // namespace

bool LinkTransact(platform::SocketHandle socket, std::uint8_t op, const void* head, std::uint32_t headSize,
                  const void* body, std::uint32_t bodySize, std::uint32_t maxPayload, std::uint32_t waitMs,
                  LinkResponse* response) {
  platform::TracedSpan span;
  bool ok = Transact(socket, op, head, headSize, body, bodySize, maxPayload, waitMs, response);
  if (span.trace() == nullptr) return ok;
  // A read names its size and time-out in its first eight bytes.
  bool read = op == 'R' && headSize >= 8;
  const auto* h = static_cast<const std::uint8_t*>(head);
  span.trace()->LinkRequest(op, read ? GetU32(h) : 0, ok ? static_cast<std::uint32_t>(response->payload.size()) : 0,
                            read ? GetU32(h + 4) : 0, span.ElapsedNs());
  return ok;
}

LinkReadOutcome LinkReadAhead(platform::SocketHandle socket, std::uint32_t max, std::uint32_t timeoutMs,
                              std::uint32_t aheadMax, std::uint32_t waitMs, LinkResponse* read,
                              LinkResponse* ahead) {
  platform::TracedSpan span;
  std::uint8_t first[8];
  PutU32(first, max);
  PutU32(first + 4, timeoutMs);
  std::uint8_t second[8];
  PutU32(second, aheadMax);
  PutU32(second + 4, 0);
  std::vector<std::uint8_t> frames;
  AppendFrame(&frames, 'R', first, sizeof first, nullptr, 0);
  AppendFrame(&frames, 'R', second, sizeof second, nullptr, 0);
  LinkReadOutcome outcome = LinkReadOutcome::kBroken;
  std::vector<std::uint8_t> inbox;
  if (platform::SendAll(socket, frames.data(), frames.size()) &&
      ReceiveAnswer(socket, &inbox, max, waitMs, read)) {
    // The second answer follows the first at once; a device removed by the first answer's last
    // byte closes the connection instead.
    outcome = ReceiveAnswer(socket, &inbox, aheadMax, waitMs, ahead) ? LinkReadOutcome::kBoth
                                                                      : LinkReadOutcome::kFirstOnly;
  }
  if (span.trace() != nullptr) {
    std::uint32_t got = outcome == LinkReadOutcome::kBroken ? 0 : static_cast<std::uint32_t>(read->payload.size());
    span.trace()->LinkRequest('R', max, got, timeoutMs, span.ElapsedNs());
  }
  return outcome;
}

}  // namespace qx::qxusb
