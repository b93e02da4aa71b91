#include "utility/port/qxusb_virtual_driver.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "platform/wait_trace.h"
#include "utility/port/qxusb_contract.h"
#include "utility/port/qxusb_link_client.h"

namespace qx::qxusb {
namespace {

// How long an answer may take beyond the time the request itself may wait.
constexpr std::uint32_t kAnswerMarginMs = 10000;
// Reads smaller than this fetch, in the same round trip, what else the device has already sent
// (a reply read byte by byte); larger ones (drains, blocks) are answered as they are.
constexpr std::uint32_t kReadAheadBelow = 64;
constexpr std::uint32_t kReadAheadSize = 4096;
// Enumeration looks no further than this many members when it maps a path back to its index.
constexpr std::uint32_t kMaxMembers = 128;
constexpr std::uint32_t kMaxPathText = 1024;

platform::SocketHandle Connect(const platform::LoopbackAddress& address) {
  platform::TracedSpan span;
  platform::SocketHandle socket = platform::ConnectLoopback(address);
  if (span.trace() != nullptr) span.trace()->LinkRequest('+', 0, 0, 0, span.ElapsedNs());
  return socket;
}

class ShortConnection {
 public:
  explicit ShortConnection(const platform::LoopbackAddress& address) : socket_(Connect(address)) {}
  ~ShortConnection() {
    if (socket_ == platform::kInvalidSocket) return;
    LinkResponse ignored;
    LinkTransact(socket_, 'X', nullptr, 0, nullptr, 0, 0, 2000, &ignored);
    platform::CloseSocket(socket_);
  }
  ShortConnection(const ShortConnection&) = delete;
  ShortConnection& operator=(const ShortConnection&) = delete;
  platform::SocketHandle socket() const { return socket_; }

  // The device path of a member: true and filled, or false when there is none.
  bool PathOf(std::uint32_t member, std::vector<std::uint8_t>* path) {
    if (socket_ == platform::kInvalidSocket) return false;
    std::uint8_t index[4];
    PutU32(index, member);
    LinkResponse r;
    if (!LinkTransact(socket_, 'E', index, 4, nullptr, 0, kMaxPathText, kAnswerMarginMs, &r) || r.status != kLinkOk) {
      return false;
    }
    *path = std::move(r.payload);
    return true;
  }

 private:
  platform::SocketHandle socket_;
};

}  // namespace

// One opened function: its connection, the read time-outs last set on it and the bytes a read
// fetched ahead that no caller has taken yet (they have arrived, as in the real driver's buffer).
// The connection carries one exchange at a time, so every use holds `lock`; a broken link is
// killed under the same lock, which closes its socket exactly once.
struct VirtualDriver::Link {
  std::mutex lock;
  platform::SocketHandle socket = platform::kInvalidSocket;
  std::uint32_t readMultiplier = 5;
  std::uint32_t readConstant = 50;
  bool dead = false;
  std::deque<std::uint8_t> arrived;

  ~Link() { platform::CloseSocket(socket); }
  // The caller holds `lock`.
  void Kill() {
    dead = true;
    if (socket == platform::kInvalidSocket) return;
    platform::CloseSocket(socket);
    socket = platform::kInvalidSocket;
  }
  // The caller holds `lock`.
  bool Transact(std::uint8_t op, const void* head, std::uint32_t headSize, const void* body, std::uint32_t bodySize,
                std::uint32_t maxPayload, std::uint32_t waitMs, LinkResponse* response) {
    if (dead) return false;
    if (LinkTransact(socket, op, head, headSize, body, bodySize, maxPayload, waitMs, response)) return true;
    Kill();
    return false;
  }
};

VirtualDriver::VirtualDriver(const platform::LoopbackAddress& simulator) : simulator_(simulator) {}

VirtualDriver::~VirtualDriver() {
  std::vector<DriverHandle> handles;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : links_) handles.push_back(entry.first);
  }
  for (DriverHandle h : handles) Close(h);
}

std::shared_ptr<VirtualDriver::Link> VirtualDriver::Find(DriverHandle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = links_.find(handle);
  return it == links_.end() ? nullptr : it->second;
}

DriverStatus VirtualDriver::Enumerate(std::uint32_t member, char* path, std::size_t size) {
  if (path != nullptr && size > 0) path[0] = '\0';
  ShortConnection connection(simulator_);
  std::vector<std::uint8_t> text;
  if (!connection.PathOf(member, &text)) return DriverStatus::kNoMoreItems;
  if (path != nullptr && size > 0) {
    std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(path, text.data(), n);
    path[n] = '\0';
  }
  return DriverStatus::kOk;
}

int VirtualDriver::FindMember(const char* devicePath, std::size_t length) {
  ShortConnection connection(simulator_);
  std::vector<std::uint8_t> text;
  for (std::uint32_t member = 0; member < kMaxMembers && connection.PathOf(member, &text); ++member) {
    if (text.size() == length && std::memcmp(text.data(), devicePath, length) == 0) return static_cast<int>(member);
  }
  return -1;
}

DriverStatus VirtualDriver::Open(const char* functionPath, DriverHandle* handle) {
  *handle = kInvalidDriverHandle;
  if (functionPath == nullptr) return DriverStatus::kNotFound;
  std::size_t length = strnlen(functionPath, kMaxPathText);
  if (length < 3 || length >= kMaxPathText) return DriverStatus::kNotFound;
  const char* suffix = functionPath + length - 3;
  char function;
  if (std::strcmp(suffix, "\\QX") == 0) function = 'Q';
  else if (std::strcmp(suffix, "\\KD") == 0) function = 'K';
  else return DriverStatus::kNotFound;
  int member = FindMember(functionPath, length - 3);
  if (member < 0) return DriverStatus::kNotFound;

  auto link = std::make_shared<Link>();
  {
    std::lock_guard<std::mutex> hold(link->lock);
    link->socket = Connect(simulator_);
    if (link->socket == platform::kInvalidSocket) return DriverStatus::kNotFound;
    std::uint8_t request[5];
    PutU32(request, static_cast<std::uint32_t>(member));
    request[4] = static_cast<std::uint8_t>(function);
    LinkResponse r;
    if (!link->Transact('O', request, 5, nullptr, 0, 0, kAnswerMarginMs, &r)) return DriverStatus::kFailed;
    if (r.status != kLinkOk) {
      link->Kill();
      if (r.status == kLinkBusy) return DriverStatus::kBusy;
      if (r.status == kLinkNotFound) return DriverStatus::kNotFound;
      return DriverStatus::kFailed;
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  *handle = next_++;
  links_[*handle] = std::move(link);
  return DriverStatus::kOk;
}

DriverStatus VirtualDriver::Write(DriverHandle handle, const void* data, std::uint32_t length,
                                  std::uint32_t* written) {
  *written = 0;
  std::shared_ptr<Link> link = Find(handle);
  if (link == nullptr || (data == nullptr && length > 0) || length > kMaxTransfer) return DriverStatus::kFailed;
  LinkResponse r;
  {
    std::lock_guard<std::mutex> hold(link->lock);
    if (!link->Transact('W', data, length, nullptr, 0, 4, kAnswerMarginMs, &r)) return DriverStatus::kFailed;
  }
  if (r.payload.size() != 4) return DriverStatus::kFailed;
  std::uint32_t count = GetU32(r.payload.data());
  if (r.status == kLinkSemTimeout) return DriverStatus::kSemTimeout;
  if (r.status != kLinkOk || count > length) return DriverStatus::kFailed;
  *written = count;
  return DriverStatus::kOk;
}

DriverStatus VirtualDriver::Read(DriverHandle handle, void* buffer, std::uint32_t capacity, std::uint32_t* got) {
  *got = 0;
  std::shared_ptr<Link> link = Find(handle);
  if (link == nullptr || (buffer == nullptr && capacity > 0) || capacity > kMaxTransfer) return DriverStatus::kFailed;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::lock_guard<std::mutex> hold(link->lock);
  std::uint32_t have = 0;
  while (have < capacity && !link->arrived.empty()) {
    out[have++] = link->arrived.front();
    link->arrived.pop_front();
  }
  // Bytes that had arrived are delivered even when the link broke since, as the answer that
  // carried them would have delivered them before it closed.
  auto arrivedOnly = [&] {
    *got = have;
    return have > 0 ? DriverStatus::kOk : DriverStatus::kFailed;
  };
  if (have == capacity) {
    *got = have;
    return DriverStatus::kOk;
  }
  if (link->dead) return arrivedOnly();
  std::uint64_t wait = static_cast<std::uint64_t>(link->readMultiplier) * capacity + link->readConstant;
  std::uint32_t timeout = static_cast<std::uint32_t>(std::min<std::uint64_t>(wait, 0x7FFFFFFF));
  std::uint32_t answerWait = timeout > 0xFFFFFFFFu - kAnswerMarginMs ? 0xFFFFFFFFu : timeout + kAnswerMarginMs;
  const std::uint32_t rest = capacity - have;
  LinkResponse r;
  if (rest < kReadAheadBelow) {
    LinkResponse ahead;
    LinkReadOutcome outcome = LinkReadAhead(link->socket, rest, timeout, kReadAheadSize, answerWait, &r, &ahead);
    if (outcome != LinkReadOutcome::kBoth) link->Kill();
    if (outcome == LinkReadOutcome::kBroken || r.status != kLinkOk) return arrivedOnly();
    if (outcome == LinkReadOutcome::kBoth && ahead.status == kLinkOk) {
      link->arrived.insert(link->arrived.end(), ahead.payload.begin(), ahead.payload.end());
    }
  } else {
    std::uint8_t request[8];
    PutU32(request, rest);
    PutU32(request + 4, timeout);
    if (!link->Transact('R', request, 8, nullptr, 0, rest, answerWait, &r) || r.status != kLinkOk) return arrivedOnly();
  }
  if (!r.payload.empty()) std::memcpy(out + have, r.payload.data(), r.payload.size());
  *got = have + static_cast<std::uint32_t>(r.payload.size());
  return DriverStatus::kOk;
}

bool VirtualDriver::Control(DriverHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize,
                            void* output, std::uint32_t outputSize, std::uint32_t* returned) {
  if (returned != nullptr) *returned = 0;
  std::shared_ptr<Link> link = Find(handle);
  if (link == nullptr || (input == nullptr && inputSize > 0) || (output == nullptr && outputSize > 0) ||
      inputSize > kMaxTransfer || outputSize > kMaxTransfer) {
    return false;
  }
  std::uint8_t head[8];
  PutU32(head, code);
  PutU32(head + 4, outputSize);
  LinkResponse r;
  std::lock_guard<std::mutex> hold(link->lock);
  if (!link->Transact('C', head, 8, input, inputSize, outputSize, kAnswerMarginMs, &r) || r.status != kLinkOk) {
    return false;
  }
  if (!r.payload.empty()) std::memcpy(output, r.payload.data(), r.payload.size());
  if (returned != nullptr) *returned = static_cast<std::uint32_t>(r.payload.size());
  if (code == kSetTimeouts && inputSize >= kTimeoutBlockSize) {
    const auto* block = static_cast<const std::uint8_t*>(input);
    link->readMultiplier = GetU32(block);
    link->readConstant = GetU32(block + 4);
  }
  return true;
}

void VirtualDriver::Close(DriverHandle handle) {
  std::shared_ptr<Link> link;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = links_.find(handle);
    if (it == links_.end()) return;
    link = std::move(it->second);
    links_.erase(it);
  }
  std::lock_guard<std::mutex> hold(link->lock);
  if (link->dead) return;
  LinkResponse ignored;
  link->Transact('X', nullptr, 0, nullptr, 0, 0, 2000, &ignored);
  link->Kill();
}

std::unique_ptr<Driver> DriverFromSimulatorVariable() {
  const char* text = std::getenv("QXR7000_SIM");
  platform::LoopbackAddress address;
  if (text == nullptr || *text == '\0' || !platform::ParseLoopbackAddress(text, &address)) return nullptr;
  return std::make_unique<VirtualDriver>(address);
}

}  // namespace qx::qxusb
