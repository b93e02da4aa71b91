#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "utility/nodes/driver_requests.h"
#include "utility/port/qxusb_driver.h"

namespace qx::testing {

// A QXUSB driver that answers control requests from hand-written bytes and remembers what it was
// asked. Each code has a list of answers used in turn, the last one for every later call.
class FakeQxusbDriver : public qxusb::Driver {
 public:
  struct Answer {
    bool ok;
    std::vector<std::uint8_t> bytes;
  };
  struct Call {
    qxusb::DriverHandle handle;
    std::uint32_t code;
    std::uint32_t outputSize;
  };

  void Answer(std::uint32_t code, std::vector<std::uint8_t> bytes) { answers_[code] = {{true, std::move(bytes)}}; }
  void Fail(std::uint32_t code) { answers_[code] = {{false, {}}}; }
  void AnswerInTurn(std::uint32_t code, std::vector<struct Answer> answers) { answers_[code] = std::move(answers); }
  // Every later answer claims this many bytes more than it wrote.
  void OverstateReturned(std::uint32_t extra) { overstate_ = extra; }

  const std::vector<Call>& calls() const { return calls_; }

  qxusb::DriverStatus Enumerate(std::uint32_t, char*, std::size_t) override { return qxusb::DriverStatus::kNoMoreItems; }
  qxusb::DriverStatus Open(const char*, qxusb::DriverHandle*) override { return qxusb::DriverStatus::kFailed; }
  qxusb::DriverStatus Write(qxusb::DriverHandle, const void*, std::uint32_t, std::uint32_t*) override {
    return qxusb::DriverStatus::kFailed;
  }
  qxusb::DriverStatus Read(qxusb::DriverHandle, void*, std::uint32_t, std::uint32_t*) override {
    return qxusb::DriverStatus::kFailed;
  }
  void Close(qxusb::DriverHandle) override {}

  bool Control(qxusb::DriverHandle handle, std::uint32_t code, const void*, std::uint32_t, void* output,
               std::uint32_t outputSize, std::uint32_t* returned) override {
    std::size_t turn = std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) { return c.code == code; });
    calls_.push_back({handle, code, outputSize});
    *returned = 0;
    auto found = answers_.find(code);
    if (found == answers_.end() || found->second.empty()) return false;
    const struct Answer& answer = found->second[std::min(turn, found->second.size() - 1)];
    if (!answer.ok) return false;
    std::uint32_t n = std::min<std::uint32_t>(outputSize, static_cast<std::uint32_t>(answer.bytes.size()));
    if (n > 0) std::memcpy(output, answer.bytes.data(), n);
    *returned = n + overstate_;
    return true;
  }

 private:
  std::map<std::uint32_t, std::vector<struct Answer>> answers_;
  std::vector<Call> calls_;
  std::uint32_t overstate_ = 0;
};

// Installs a fake driver as the route of every port's driver requests (and makes every port ready) for
// the life of this object; the port index asked for is remembered.
class FakeDriverScope {
 public:
  static constexpr qxusb::DriverHandle kHandle = 0x5A;

  FakeDriverScope() {
    current_ = this;
    SetDriverControlRoute(&Route);
    SetPortReadyCheck(&Ready);
  }
  ~FakeDriverScope() {
    SetDriverControlRoute(nullptr);
    SetPortReadyCheck(nullptr);
    current_ = nullptr;
  }
  FakeDriverScope(const FakeDriverScope&) = delete;
  FakeDriverScope& operator=(const FakeDriverScope&) = delete;

  FakeQxusbDriver& driver() { return driver_; }
  int lastPort() const { return lastPort_; }
  void SetReady(bool ready) { ready_ = ready; }

 private:
  static int Route(int portIndex, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                   std::uint32_t outputSize, std::uint32_t* returned) {
    current_->lastPort_ = portIndex;
    return current_->driver_.Control(kHandle, code, input, inputSize, output, outputSize, returned) ? 1 : 0;
  }
  static int Ready(int) { return current_->ready_ ? 1 : 0; }

  static inline FakeDriverScope* current_ = nullptr;
  FakeQxusbDriver driver_;
  int lastPort_ = -1;
  bool ready_ = true;
};

}  // namespace qx::testing
