#include "tests/port/fake_driver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "utility/port/qxusb_contract.h"

namespace qx::port::testing {

using qxusb::DriverHandle;
using qxusb::DriverStatus;

FakeDriver::FakeDriver() = default;

void FakeDriver::AddDevice(const std::string& path, bool hasScanner, bool hasDisplay) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_.push_back({path, hasScanner, hasDisplay});
}

void FakeDriver::SetMode(DataMode mode) {
  std::lock_guard<std::mutex> lock(mutex_);
  mode_ = mode;
}

void FakeDriver::SetRemoved(bool removed) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    removed_ = removed;
  }
  dataArrived_.notify_all();
}

void FakeDriver::SetControlReply(std::uint32_t code, std::vector<std::uint8_t> output) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_[code] = {true, std::move(output)};
}

void FakeDriver::SetControlFailure(std::uint32_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_[code] = {false, {}};
}

void FakeDriver::ScriptWrites(std::vector<WriteOutcome> outcomes) {
  std::lock_guard<std::mutex> lock(mutex_);
  writeScript_.assign(outcomes.begin(), outcomes.end());
}

void FakeDriver::FeedInput(const std::vector<std::uint8_t>& bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    input_.insert(input_.end(), bytes.begin(), bytes.end());
  }
  dataArrived_.notify_all();
}

void FakeDriver::SetWriteDelayMs(std::uint32_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  writeDelayMs_ = ms;
}

void FakeDriver::HoldWrites() {
  std::lock_guard<std::mutex> lock(mutex_);
  holdWrites_ = true;
}

void FakeDriver::ReleaseWrites() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    holdWrites_ = false;
  }
  writesReleased_.notify_all();
}

int FakeDriver::WritesWaiting() {
  std::lock_guard<std::mutex> lock(mutex_);
  return writesWaiting_;
}

void FakeDriver::SetEnumerateDelayMs(std::uint32_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  enumerateDelayMs_ = ms;
}

void FakeDriver::SetControlDelayMs(std::uint32_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  controlDelayMs_ = ms;
}

void FakeDriver::SetCloseDelayMs(std::uint32_t ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  closeDelayMs_ = ms;
}

int FakeDriver::CallsOnClosedHandles() {
  std::lock_guard<std::mutex> lock(mutex_);
  return callsOnClosedHandles_;
}

void FakeDriver::NoteClosedHandle(DriverHandle handle) {
  if (handle >= 100 && handle < nextHandle_ && open_.count(handle) == 0) ++callsOnClosedHandles_;
}

void FakeDriver::Pause(std::uint32_t ms) {
  if (ms != 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void FakeDriver::SetLogDataCalls(bool log) {
  std::lock_guard<std::mutex> lock(mutex_);
  logData_ = log;
}

std::vector<FakeDriver::Call> FakeDriver::Calls() {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

std::vector<FakeDriver::Call> FakeDriver::CallsOf(char op) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Call> out;
  for (const Call& call : calls_) {
    if (call.op == op) out.push_back(call);
  }
  return out;
}

std::vector<FakeDriver::Call> FakeDriver::ControlCalls(std::uint32_t code) {
  std::vector<Call> out;
  for (const Call& call : CallsOf('C')) {
    if (call.code == code) out.push_back(call);
  }
  return out;
}

std::vector<std::uint8_t> FakeDriver::Written() {
  std::lock_guard<std::mutex> lock(mutex_);
  return written_;
}

std::uint64_t FakeDriver::SinkBytes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return sinkBytes_;
}

int FakeDriver::OpenHandleCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(open_.size());
}

int FakeDriver::OverlappingCalls() {
  std::lock_guard<std::mutex> lock(mutex_);
  return overlaps_;
}

FakeDriver::InFlight::InFlight(FakeDriver& driver, DriverHandle handle) : driver_(driver), handle_(handle) {
  std::lock_guard<std::mutex> lock(driver_.mutex_);
  if (driver_.running_[handle_]++ != 0) ++driver_.overlaps_;
}

FakeDriver::InFlight::~InFlight() {
  std::lock_guard<std::mutex> lock(driver_.mutex_);
  --driver_.running_[handle_];
}

void FakeDriver::ClearLog() {
  std::lock_guard<std::mutex> lock(mutex_);
  calls_.clear();
}

bool FakeDriver::Usable(DriverHandle handle) const { return !removed_ && open_.count(handle) != 0; }

DriverStatus FakeDriver::Enumerate(std::uint32_t member, char* path, std::size_t size) {
  std::uint32_t delay;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back({'E', qxusb::kInvalidDriverHandle, member, {}, {}, 0});
    delay = enumerateDelayMs_;
  }
  Pause(delay);
  std::lock_guard<std::mutex> lock(mutex_);
  if (removed_ || member >= devices_.size() || size == 0) return DriverStatus::kNoMoreItems;
  std::snprintf(path, size, "%s", devices_[member].path.c_str());
  return DriverStatus::kOk;
}

DriverStatus FakeDriver::Open(const char* functionPath, DriverHandle* handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  *handle = qxusb::kInvalidDriverHandle;
  std::string path = functionPath;
  calls_.push_back({'O', qxusb::kInvalidDriverHandle, 0, path, {}, 0});
  if (removed_ || path.size() < 3) return DriverStatus::kNotFound;
  std::string device = path.substr(0, path.size() - 3);
  std::string function = path.substr(path.size() - 3);
  for (const Device& d : devices_) {
    if (d.path != device) continue;
    if ((function == "\\QX" && d.hasScanner) || (function == "\\KD" && d.hasDisplay)) {
      *handle = nextHandle_++;
      open_[*handle] = Handle{{5, 50, 5, 2000, 0, 0, 0, 0}};
      return DriverStatus::kOk;
    }
  }
  return DriverStatus::kNotFound;
}

DriverStatus FakeDriver::Write(DriverHandle handle, const void* data, std::uint32_t length, std::uint32_t* written) {
  InFlight running(*this, handle);
  std::uint32_t delay;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    delay = writeDelayMs_;
  }
  Pause(delay);
  std::unique_lock<std::mutex> lock(mutex_);
  *written = 0;
  if (logData_) calls_.push_back({'W', handle, 0, {}, {}, length});
  NoteClosedHandle(handle);
  ++writesWaiting_;
  writesReleased_.wait(lock, [this] { return !holdWrites_; });
  --writesWaiting_;
  if (!Usable(handle)) return DriverStatus::kFailed;
  WriteOutcome outcome{DriverStatus::kOk, length};
  if (!writeScript_.empty()) {
    outcome = writeScript_.front();
    writeScript_.pop_front();
  }
  if (outcome.status != DriverStatus::kOk) return outcome.status;
  std::uint32_t count = std::min(outcome.count, length);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  switch (mode_) {
    case DataMode::kSink:
      sinkBytes_ += count;
      break;
    case DataMode::kEcho:
      input_.insert(input_.end(), bytes, bytes + count);
      lock.unlock();
      dataArrived_.notify_all();
      break;
    case DataMode::kScripted:
      written_.insert(written_.end(), bytes, bytes + count);
      break;
  }
  *written = count;
  return DriverStatus::kOk;
}

DriverStatus FakeDriver::Read(DriverHandle handle, void* buffer, std::uint32_t capacity, std::uint32_t* got) {
  InFlight running(*this, handle);
  std::unique_lock<std::mutex> lock(mutex_);
  *got = 0;
  if (logData_) calls_.push_back({'R', handle, 0, {}, {}, capacity});
  NoteClosedHandle(handle);
  if (!Usable(handle)) return DriverStatus::kFailed;
  const std::uint32_t* timeouts = open_[handle].timeouts;
  auto waitMs = std::min<std::uint64_t>(std::uint64_t{timeouts[0]} * capacity + timeouts[1], 200);
  dataArrived_.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return removed_ || !input_.empty(); });
  if (!Usable(handle)) return DriverStatus::kFailed;
  std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(capacity, input_.size()));
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::copy(input_.begin(), input_.begin() + n, out);
  input_.erase(input_.begin(), input_.begin() + n);
  *got = n;
  return DriverStatus::kOk;
}

bool FakeDriver::Control(DriverHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize,
                         void* output, std::uint32_t outputSize, std::uint32_t* returned) {
  InFlight running(*this, handle);
  std::uint32_t delay;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    delay = controlDelayMs_;
  }
  Pause(delay);
  std::lock_guard<std::mutex> lock(mutex_);
  *returned = 0;
  const auto* in = static_cast<const std::uint8_t*>(input);
  if (logData_) {
    calls_.push_back({'C', handle, code, {}, std::vector<std::uint8_t>(in, in + (in ? inputSize : 0)), outputSize});
  }
  NoteClosedHandle(handle);
  if (!Usable(handle)) return false;
  auto scripted = replies_.find(code);
  if (scripted != replies_.end()) {
    if (!scripted->second.ok) return false;
    std::uint32_t n = std::min<std::uint32_t>(outputSize, static_cast<std::uint32_t>(scripted->second.output.size()));
    if (n != 0) std::memcpy(output, scripted->second.output.data(), n);
    *returned = n;
    return true;
  }
  Handle& h = open_[handle];
  switch (code) {
    case qxusb::kSetTimeouts:
      if (inputSize != qxusb::kTimeoutBlockSize) return false;
      std::memcpy(h.timeouts, input, sizeof h.timeouts);
      return true;
    case qxusb::kGetTimeouts:
      if (outputSize < qxusb::kTimeoutBlockSize) return false;
      std::memcpy(output, h.timeouts, sizeof h.timeouts);
      *returned = qxusb::kTimeoutBlockSize;
      return true;
    case qxusb::kGetXbStatus:
    case qxusb::kDeviceCheck:
      std::memset(output, 0, outputSize);
      *returned = outputSize;
      return true;
    default:
      return false;
  }
}

void FakeDriver::Close(DriverHandle handle) {
  std::uint32_t delay;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back({'X', handle, 0, {}, {}, 0});
    open_.erase(handle);
    delay = closeDelayMs_;
  }
  // A call that comes while the close is still running already meets a dead handle.
  Pause(delay);
}

}  // namespace qx::port::testing
