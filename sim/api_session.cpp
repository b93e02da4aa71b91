#include "sim/api_session.h"

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/clock.h"

namespace qx::sim {
namespace {

constexpr std::uint32_t kMaxEventWaitMs = 10000;

void PutU32(std::vector<std::uint8_t>* out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::vector<std::uint8_t> Result(std::int32_t result, const std::uint8_t* data = nullptr, std::size_t size = 0) {
  std::vector<std::uint8_t> payload;
  PutU32(&payload, static_cast<std::uint32_t>(result));
  if (size > 0) payload.insert(payload.end(), data, data + size);
  return EncodeResponse(LinkStatus::kOk, payload.data(), payload.size());
}

std::vector<std::uint8_t> Failed() { return EncodeResponse(LinkStatus::kFailed, nullptr, 0); }

int DeviceAtMember(Bus& bus, std::uint32_t member) {
  std::string path;
  if (!bus.Enumerate(member, &path)) return -1;
  // Enumeration skips absent and removed devices: find the position of the member-th listed one.
  std::uint32_t seen = 0;
  for (int i = 0; i < bus.DeviceCount(); ++i) {
    SimDevice* d = bus.Device(i);
    if (d->profile().presence == Presence::kAbsent || d->removed()) continue;
    if (seen++ == member) return i;
  }
  return -1;
}

}  // namespace

bool ApiSession::IsApiOp(std::uint8_t op) {
  static constexpr char kOps[] = "AVSPGBNTIQKLF";
  return op != 0 && std::strchr(kOps, op) != nullptr;
}

ApiScanner* ApiSession::Scanner() {
  SimDevice* d = state_->bus.Device(device_);
  if (d == nullptr || d->removed() || !d->api().open()) return nullptr;
  return &d->api();
}

void ApiSession::Closed() {
  if (device_ < 0 || events_) return;
  if (ApiScanner* scanner = Scanner()) scanner->Close(&state_->bus.log());
  device_ = -1;
  state_->changed.notify_all();
}

void ApiSession::Handle(const LinkFrame& frame, std::unique_lock<std::mutex>* lock, std::vector<std::uint8_t>* response) {
  const std::vector<std::uint8_t>& p = frame.payload;
  Bus& bus = state_->bus;
  RequestLog* log = &bus.log();
  std::uint32_t now = platform::MillisecondClock();

  if (frame.op == 'A' || frame.op == 'V') {
    if (p.size() != 4 || device_ >= 0) {
      *response = Failed();
      return;
    }
    int device = DeviceAtMember(bus, ReadU32(p.data()));
    SimDevice* d = bus.Device(device);
    if (d == nullptr || d->profile().kind != DeviceKind::kScanner || d->profile().presence != Presence::kPresent) {
      *response = EncodeResponse(LinkStatus::kNotFound, nullptr, 0);
      return;
    }
    if (frame.op == 'V') {
      if (!d->api().open()) {
        *response = EncodeResponse(LinkStatus::kNotFound, nullptr, 0);
        return;
      }
      device_ = device;
      events_ = true;
      *response = EncodeResponse(LinkStatus::kOk, nullptr, 0);
      return;
    }
    std::uint32_t handle = 0;
    std::int32_t result = d->api().Open(&handle, log);
    if (result != 0) {
      *response = EncodeResponse(LinkStatus::kBusy, nullptr, 0);
      return;
    }
    device_ = device;
    std::vector<std::uint8_t> payload;
    PutU32(&payload, handle);
    *response = EncodeResponse(LinkStatus::kOk, payload.data(), payload.size());
    return;
  }

  ApiScanner* scanner = device_ >= 0 ? Scanner() : nullptr;
  if (scanner == nullptr || (events_ != (frame.op == 'N'))) {
    *response = Failed();
    return;
  }
  switch (frame.op) {
    case 'S': {
      if (!p.empty()) break;
      std::int32_t refused = scanner->Refused("BiGetStatus");
      std::uint8_t word[4];
      std::uint32_t w = scanner->StatusWord();
      for (int i = 0; i < 4; ++i) word[i] = static_cast<std::uint8_t>(w >> (8 * i));
      *response = refused != 0 ? Result(refused) : Result(0, word, 4);
      return;
    }
    case 'P': {
      if (!p.empty()) break;
      std::int32_t refused = scanner->Refused("BiGetPrnCapability");
      std::uint8_t facts[2] = {static_cast<std::uint8_t>(scanner->pockets()), scanner->franker() ? std::uint8_t{1} : std::uint8_t{0}};
      *response = refused != 0 ? Result(refused) : Result(0, facts, 2);
      return;
    }
    case 'G': {
      if (p.size() != 3) break;
      std::int32_t result = scanner->Refused("BiSCNMICRFunctionPostPrint/0");
      if (result == 0) {
        result = scanner->StartScan(now, p[0] == 1 ? MicrFont::kCMC7 : MicrFont::kE13B, p[1], p[2] == 1, log);
      }
      state_->changed.notify_all();
      *response = Result(result);
      return;
    }
    case 'B':
      if (p.size() != 2) break;
      scanner->SetBehaviour(p[0], p[1] == 1, log);
      *response = Result(0);
      return;
    case 'N':
      if (p.size() != 4) break;
      NextEvent(ReadU32(p.data()), lock, response);
      return;
    case 'T': {
      if (p.size() != 4) break;
      std::string text;
      *response = scanner->MicrText(ReadU32(p.data()), &text)
                      ? Result(0, reinterpret_cast<const std::uint8_t*>(text.data()), text.size())
                      : Result(-180);  // ERR_NO_IMAGE: nothing read under that transaction
      return;
    }
    case 'I': {
      if (p.size() != 5) break;
      std::vector<std::uint8_t> dib;
      *response = scanner->Image(ReadU32(p.data()), p[4], &dib) ? Result(0, dib.data(), dib.size()) : Result(-180);
      return;
    }
    case 'Q':
      if (p.size() != 1) break;
      scanner->Cancel(now, p[0], log);
      state_->changed.notify_all();
      *response = Result(0);
      return;
    case 'K':
      if (!p.empty()) break;
      scanner->CancelError(log);
      *response = Result(0);
      return;
    case 'L': {
      if (!p.empty()) break;
      std::int32_t refused = scanner->Refused("BiMICRCleaning");
      if (refused != 0) {
        *response = Result(refused);
        return;
      }
      std::uint32_t ms = scanner->CleaningDuration() < maxWaitMs_ ? scanner->CleaningDuration() : maxWaitMs_;
      lock->unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
      lock->lock();
      scanner = Scanner();
      *response = scanner != nullptr ? Result(scanner->Clean(log)) : Failed();
      state_->changed.notify_all();
      return;
    }
    case 'F':
      if (p.empty() || p.size() > 64) break;
      *response = Result(scanner->Refused(std::string(p.begin(), p.end())));
      return;
    default:
      break;
  }
  *response = Failed();
}

void ApiSession::NextEvent(std::uint32_t waitMs, std::unique_lock<std::mutex>* lock, std::vector<std::uint8_t>* response) {
  std::uint32_t start = platform::MillisecondClock();
  std::uint32_t cap = maxWaitMs_ < kMaxEventWaitMs ? maxWaitMs_ : kMaxEventWaitMs;
  std::uint32_t wait = waitMs < cap ? waitMs : cap;
  for (;;) {
    ApiScanner* scanner = Scanner();
    if (scanner == nullptr || state_->stopping) {
      *response = Failed();
      return;
    }
    std::uint32_t now = platform::MillisecondClock();
    std::uint32_t nextDue = now + wait + 1;
    ApiEvent e;
    if (scanner->NextEvent(now, &e, &nextDue)) {
      std::vector<std::uint8_t> payload{static_cast<std::uint8_t>(e.kind)};
      if (e.kind == ApiEvent::kMicr) {
        payload.push_back(static_cast<std::uint8_t>(e.event));
        payload.push_back(static_cast<std::uint8_t>(e.event >> 8));
        payload.push_back(static_cast<std::uint8_t>(e.status));
        payload.push_back(static_cast<std::uint8_t>(e.status >> 8));
        PutU32(&payload, e.transaction);
      } else {
        PutU32(&payload, e.word);
      }
      *response = EncodeResponse(LinkStatus::kOk, payload.data(), payload.size());
      return;
    }
    std::uint32_t elapsed = now - start;
    if (elapsed >= wait) {
      *response = EncodeResponse(LinkStatus::kOk, nullptr, 0);
      return;
    }
    std::uint32_t until = wait - elapsed;
    if (static_cast<std::int32_t>(nextDue - now) >= 0 && nextDue - now < until) until = nextDue - now + 1;
    state_->changed.wait_for(*lock, std::chrono::milliseconds(until));
  }
}

}  // namespace qx::sim
