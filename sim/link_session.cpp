#include "sim/link_session.h"

#include <algorithm>
#include <chrono>

#include "platform/clock.h"

namespace qx::sim {
namespace {

std::vector<std::uint8_t> Status(LinkStatus status) { return EncodeResponse(status, nullptr, 0); }

std::vector<std::uint8_t> Count(LinkStatus status, std::uint32_t count) {
  std::uint8_t p[4] = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
                       static_cast<std::uint8_t>(count >> 16), static_cast<std::uint8_t>(count >> 24)};
  return EncodeResponse(status, p, 4);
}

constexpr std::uint32_t kMaxReadSize = kMaxFramePayload;

}  // namespace

std::vector<std::uint8_t> LinkSession::Malformed() { return Status(LinkStatus::kFailed); }

bool LinkSession::HandleGone() {
  SimDevice* d = state_->bus.Device(device_);
  return device_ >= 0 && (d == nullptr || d->removed());
}

void LinkSession::Closed() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  api_.Closed();
  if (device_ < 0) return;
  state_->bus.log().Add("close " + std::to_string(device_) + " " + (function_ == 'K' ? "KD" : "QX"));
  device_ = -1;
}

LinkSession::After LinkSession::Handle(const LinkFrame& frame, std::vector<std::uint8_t>* response) {
  const std::vector<std::uint8_t>& p = frame.payload;
  std::unique_lock<std::mutex> lock(state_->mutex);
  Bus& bus = state_->bus;
  if (HandleGone()) {
    response->clear();
    return After::kClose;
  }
  if (ApiSession::IsApiOp(frame.op)) {
    // One connection is either a driver handle or the library's scanner, never both.
    if (device_ >= 0) {
      *response = Status(LinkStatus::kFailed);
      return After::kKeepOpen;
    }
    api_.Handle(frame, &lock, response);
    return After::kKeepOpen;
  }
  switch (frame.op) {
    case 'E': {
      if (p.size() != 4) break;
      std::string path;
      if (!bus.Enumerate(ReadU32(p.data()), &path)) {
        *response = Status(LinkStatus::kNoMoreItems);
      } else {
        *response = EncodeResponse(LinkStatus::kOk, reinterpret_cast<const std::uint8_t*>(path.data()), path.size());
      }
      return After::kKeepOpen;
    }
    case 'O': {
      if (p.size() != 5 || (p[4] != 'Q' && p[4] != 'K')) break;
      if (device_ >= 0 || api_.active()) {
        *response = Status(LinkStatus::kFailed);
        return After::kKeepOpen;
      }
      char function = static_cast<char>(p[4]);
      int device = -1;
      LinkStatus status = bus.Open(ReadU32(p.data()), function, &device);
      if (status == LinkStatus::kOk) {
        device_ = device;
        function_ = function;
        handle_ = HandleState{};
      }
      *response = Status(status);
      return After::kKeepOpen;
    }
    case 'W': {
      if (device_ < 0) {
        *response = Status(LinkStatus::kFailed);
        return After::kKeepOpen;
      }
      WriteOutcome w = bus.Device(device_)->Write(function_, p.data(), p.size(), platform::MillisecondClock(), &bus.log());
      state_->changed.notify_all();
      if (HandleGone()) {
        *response = Status(LinkStatus::kFailed);
        return After::kClose;
      }
      if (w.timedOut) handle_.writtenAfterTimeout = w.accepted;
      *response = Count(w.timedOut ? LinkStatus::kSemTimeout : LinkStatus::kOk, w.accepted);
      return After::kKeepOpen;
    }
    case 'R': {
      if (p.size() != 8) break;
      if (device_ < 0 || ReadU32(p.data()) > kMaxReadSize) {
        *response = Status(LinkStatus::kFailed);
        return After::kKeepOpen;
      }
      lock.unlock();
      return Read(ReadU32(p.data()), ReadU32(p.data() + 4), response);
    }
    case 'C': {
      if (p.size() < 8) break;
      std::uint32_t outputSize = ReadU32(p.data() + 4);
      std::vector<std::uint8_t> output;
      if (device_ < 0 || outputSize > kMaxFramePayload ||
          !bus.Device(device_)->Control(&handle_, ReadU32(p.data()), p.data() + 8,
                                        static_cast<std::uint32_t>(p.size() - 8), outputSize, &output, &bus.log())) {
        *response = Status(LinkStatus::kFailed);
      } else {
        *response = EncodeResponse(LinkStatus::kOk, output.data(), output.size());
      }
      return After::kKeepOpen;
    }
    case 'X':
      if (!p.empty()) break;
      api_.Closed();
      if (device_ >= 0) bus.log().Add("close " + std::to_string(device_) + " " + (function_ == 'K' ? "KD" : "QX"));
      device_ = -1;
      *response = Status(LinkStatus::kOk);
      return After::kClose;
    default:
      break;
  }
  bus.log().Add("bad frame op 0x" + HexText(&frame.op, 1) + " payload " + std::to_string(p.size()));
  *response = Malformed();
  return After::kClose;
}

LinkSession::After LinkSession::Read(std::uint32_t max, std::uint32_t timeoutMs, std::vector<std::uint8_t>* response) {
  using Clock = std::chrono::steady_clock;
  std::unique_lock<std::mutex> lock(state_->mutex);
  std::uint32_t wait = timeoutMs < maxReadWaitMs_ ? timeoutMs : maxReadWaitMs_;
  // The time-out is kept to the microsecond: a read that finds too little lasts what it names,
  // not up to a millisecond tick more or less.
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(wait);
  for (;;) {
    if (HandleGone() || state_->stopping) {
      response->clear();
      return After::kClose;
    }
    SimDevice* d = state_->bus.Device(device_);
    std::uint32_t now = platform::MillisecondClock();
    std::uint32_t nextReady = now + wait + 1;
    std::size_t readable = d->Readable(function_, now, &nextReady, max);
    std::size_t target = d->bytePerRead() && max > 0 ? 1 : max;
    Clock::time_point timeNow = Clock::now();
    if (readable >= target || timeNow >= deadline) {
      std::vector<std::uint8_t> bytes(readable < max ? readable : max);
      std::size_t n = d->Take(function_, bytes.data(), bytes.size(), now, &state_->bus.log());
      *response = EncodeResponse(LinkStatus::kOk, bytes.data(), n);
      return d->removed() ? After::kClose : After::kKeepOpen;
    }
    Clock::time_point until = deadline;
    // A reply that becomes readable on the device's clock wakes the read at that tick.
    std::int32_t toReady = static_cast<std::int32_t>(nextReady - now);
    if (toReady > 0) until = std::min(until, timeNow + std::chrono::milliseconds(toReady));
    state_->changed.wait_until(lock, until);
  }
}

}  // namespace qx::sim
