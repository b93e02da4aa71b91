// Throughput and idle cost of the port library, each beside a baseline measured in the same run:
// the byte queue against memcpy of the same bytes, a threaded USB port (and, in
// ethernet_bench.cpp, the threaded Ethernet port) into a sink against a loopback TCP copy of the
// same bytes, and the CPU an idle open threaded port uses against an idle process.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/port/echo_device.h"
#include "utility/port/byte_queue.h"
#include "utility/port/port_api.h"
#include "utility/port/port_driver.h"

namespace qx::port {
namespace {

constexpr std::size_t kStreamBytes = 64u << 20;
constexpr int kPiece = 65536;

void ByteQueuePushPop(benchmark::State& state) {
  const auto node = static_cast<std::size_t>(state.range(0));
  std::vector<std::uint8_t> source(node, 0x5A);
  std::vector<std::uint8_t> target(node);
  ByteQueue queue;
  for (auto _ : state) {
    queue.Push(0, source.data(), node);
    benchmark::DoNotOptimize(queue.Pop(target.data(), node));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * node));
}
BENCHMARK(ByteQueuePushPop)->Arg(1024)->Arg(65536);

void Memcpy(benchmark::State& state) {
  const auto node = static_cast<std::size_t>(state.range(0));
  std::vector<std::uint8_t> source(node, 0x5A);
  std::vector<std::uint8_t> target(node);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), node);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * node));
}
BENCHMARK(Memcpy)->Arg(1024)->Arg(65536);

// An open threaded USB port on the device, with the device connection's USB timings.
int OpenThreadedPort(const testing::DeviceUnderTest& device) {
  SetPortDriver(device.driver);
  PortInitialize(nullptr);
  int usb = PortCreate(kPortTypeUsb);
  PortSettings settings{};
  settings.usbIndex = static_cast<std::int32_t>(device.deviceIndex);
  settings.readTotalConstant = 10;
  settings.writeTotalConstant = 2000;
  PortSetConfig(usb, &settings);
  PortOpen(usb);
  return usb;
}

void ClosePorts() {
  PortShutdown();
  SetPortDriver(nullptr);
}

void UsbPortIntoSink(benchmark::State& state) {
  int usb = OpenThreadedPort(testing::SinkDevice());
  PortSetWriteChunk(usb, kPiece);
  std::vector<std::uint8_t> piece(kPiece, 0xA5);
  for (auto _ : state) {
    const std::uint64_t start = testing::SinkDeviceBytes();
    std::size_t sent = 0;
    while (sent < kStreamBytes) {
      if (PortWrite(usb, 0, piece.data(), kPiece, nullptr) == 1) {
        sent += kPiece;
      } else {
        std::this_thread::yield();
      }
    }
    while (testing::SinkDeviceBytes() - start < kStreamBytes) std::this_thread::yield();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kStreamBytes));
  ClosePorts();
}
BENCHMARK(UsbPortIntoSink)->Unit(benchmark::kMillisecond)->UseRealTime();

void LoopbackSocketCopy(benchmark::State& state) {
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener, 1);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  int sender = socket(AF_INET, SOCK_STREAM, 0);
  if (connect(sender, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    state.SkipWithError("no loopback connection");
    return;
  }
  int receiver = accept(listener, nullptr, nullptr);
  std::vector<std::uint8_t> piece(kPiece, 0xA5);
  std::vector<std::uint8_t> buffer(kPiece);
  for (auto _ : state) {
    std::thread send([&] {
      std::size_t sent = 0;
      while (sent < kStreamBytes) {
        ssize_t n = ::send(sender, piece.data(), kPiece, 0);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
      }
    });
    std::size_t received = 0;
    while (received < kStreamBytes) {
      ssize_t n = recv(receiver, buffer.data(), buffer.size(), 0);
      if (n <= 0) break;
      received += static_cast<std::size_t>(n);
    }
    send.join();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kStreamBytes));
  close(receiver);
  close(sender);
  close(listener);
}
BENCHMARK(LoopbackSocketCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void MeasureIdle(benchmark::State& state) {
  for (auto _ : state) {
    double start = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    state.counters["cpu_ms_in_5s"] = (ProcessCpuSeconds() - start) * 1000.0;
  }
}

void IdleOpenThreadedPort(benchmark::State& state) {
  OpenThreadedPort(testing::SinkDevice());
  MeasureIdle(state);
  ClosePorts();
}
BENCHMARK(IdleOpenThreadedPort)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void IdleProcess(benchmark::State& state) { MeasureIdle(state); }
BENCHMARK(IdleProcess)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qx::port
