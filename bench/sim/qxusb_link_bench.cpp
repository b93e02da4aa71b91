// Round trips through the QXUSB link: the virtual driver against an in-process simulator on
// loopback, as the utility's port sees them.
#include <benchmark/benchmark.h>

#include <atomic>
#include <string>
#include <vector>

#include "sim/bus.h"
#include "sim/link_connection.h"
#include "sim/profile.h"
#include "sim/tcp_server.h"
#include "utility/port/qxusb_contract.h"
#include "utility/port/qxusb_virtual_driver.h"

namespace {

using qx::qxusb::DriverHandle;
using qx::qxusb::DriverStatus;

class Link {
 public:
  explicit Link(const char* profile) {
    qx::sim::Profile p;
    std::string error;
    if (!qx::sim::LoadProfileFile(std::string(QX_SIM_PROFILES) + "/" + profile, &p, &error)) std::abort();
    state_.bus.SetProfile(p);
    if (!server_.Listen("127.0.0.1:0", &error)) std::abort();
    server_.Start([this](int s, const std::atomic<bool>& stopping) { qx::sim::ServeLinkConnection(&state_, s, stopping); });
    qx::platform::LoopbackAddress address;
    qx::platform::ParseLoopbackAddress(server_.address().c_str(), &address);
    driver_ = std::make_unique<qx::qxusb::VirtualDriver>(address);
    char path[qx::qxusb::kDevicePathSize];
    if (driver_->Enumerate(0, path, sizeof path) != DriverStatus::kOk) std::abort();
    if (driver_->Open((std::string(path) + "\\QX").c_str(), &handle_) != DriverStatus::kOk) std::abort();
  }
  ~Link() {
    driver_->Close(handle_);
    driver_.reset();
    {
      std::lock_guard<std::mutex> lock(state_.mutex);
      state_.stopping = true;
      state_.changed.notify_all();
    }
    server_.Stop();
  }
  qx::qxusb::VirtualDriver& driver() { return *driver_; }
  DriverHandle handle() const { return handle_; }
  void SetReadTimeouts(std::uint32_t multiplier, std::uint32_t constant) {
    std::uint32_t block[8] = {multiplier, constant, 0, 2000, 0, 0, 0, 0};
    std::uint32_t returned;
    driver_->Control(handle_, qx::qxusb::kSetTimeouts, block, sizeof block, nullptr, 0, &returned);
  }

 private:
  qx::sim::SimState state_;
  qx::sim::TcpServer server_;
  std::unique_ptr<qx::qxusb::VirtualDriver> driver_;
  DriverHandle handle_ = qx::qxusb::kInvalidDriverHandle;
};

// A 1-byte read with the byte already waiting (the echo device holds what was written).
void BM_Read1ByteWaiting(benchmark::State& state) {
  Link link("echo.json");
  link.SetReadTimeouts(0, 1000);
  std::vector<std::uint8_t> fill(65536, 0x55);
  std::size_t left = 0;
  for (auto _ : state) {
    if (left == 0) {
      state.PauseTiming();
      std::uint32_t written;
      link.driver().Write(link.handle(), fill.data(), static_cast<std::uint32_t>(fill.size()), &written);
      left = fill.size();
      state.ResumeTiming();
    }
    std::uint8_t b;
    std::uint32_t got = 0;
    link.driver().Read(link.handle(), &b, 1, &got);
    if (got != 1) state.SkipWithError("no byte");
    --left;
  }
}
BENCHMARK(BM_Read1ByteWaiting);

// A 1-byte read that finds nothing, with a zero read time-out.
void BM_Read1ByteEmpty(benchmark::State& state) {
  Link link("default.json");
  link.SetReadTimeouts(0, 0);
  for (auto _ : state) {
    std::uint8_t b;
    std::uint32_t got = 0;
    benchmark::DoNotOptimize(link.driver().Read(link.handle(), &b, 1, &got));
  }
}
BENCHMARK(BM_Read1ByteEmpty);

// A control request with a 32-byte answer: the timeout block.
void BM_Control32(benchmark::State& state) {
  Link link("default.json");
  std::uint8_t block[32];
  for (auto _ : state) {
    std::uint32_t returned = 0;
    if (!link.driver().Control(link.handle(), qx::qxusb::kGetTimeouts, nullptr, 0, block, 32, &returned) ||
        returned != 32) {
      state.SkipWithError("control failed");
    }
  }
}
BENCHMARK(BM_Control32);

}  // namespace

BENCHMARK_MAIN();
