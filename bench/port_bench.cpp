// Throughput and idle cost of the port library, each beside a baseline measured in the same run:
// the byte queue against memcpy of the same bytes, a threaded USB port into the simulator's sink
// device (through the virtual QXUSB driver) against a loopback TCP copy of the same bytes, and
// the CPU an idle open threaded port on the simulator uses against an idle process. The ratios
// are printed after the table.
//
// The simulator is the one named by QXR7000_SIM and QXR7000_SIM_CONTROL (switched to the sink
// profile), else a qxr7000-sim started here with the sink profile on a free loopback port.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/port/echo_device.h"
#include "tests/sim/sim_fixture.h"
#include "utility/port/byte_queue.h"
#include "utility/port/port_api.h"
#include "utility/port/port_driver.h"

namespace qx::port {
namespace {

constexpr std::size_t kStreamBytes = 64u << 20;
constexpr int kPiece = 65536;

extern "C" char** environ;

// The simulator this process started, stopped at exit.
pid_t simulatorPid = 0;

void StopSimulator() {
  if (simulatorPid <= 0) return;
  kill(simulatorPid, SIGTERM);
  waitpid(simulatorPid, nullptr, 0);
  simulatorPid = 0;
}

// Starts qxr7000-sim with the sink profile and puts its addresses into this process's
// environment, where the device under test looks for them; false when it does not start.
bool StartSinkSimulator() {
  char output[] = "/tmp/qx-port-bench-sim-XXXXXX";
  int fd = mkstemp(output);
  if (fd < 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fd, STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  std::string profile = std::string(QX_SIM_PROFILES) + "/sink.json";
  const char* argv[] = {QX_SIM_PROGRAM, "--profile", profile.c_str(), "--listen", "127.0.0.1:0", nullptr};
  int spawned = posix_spawn(&simulatorPid, QX_SIM_PROGRAM, &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fd);
  if (spawned != 0) {
    simulatorPid = 0;
    unlink(output);
    return false;
  }
  std::atexit(StopSimulator);
  std::string line;
  for (int round = 0; round < 200 && line.rfind("QXR7000_SIM=", 0) != 0; ++round) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(output);
    std::getline(in, line);
  }
  unlink(output);
  std::size_t control = line.find(" QXR7000_SIM_CONTROL=");
  if (line.rfind("QXR7000_SIM=", 0) != 0 || control == std::string::npos) return false;
  setenv("QXR7000_SIM", line.substr(12, control - 12).c_str(), 1);
  setenv("QXR7000_SIM_CONTROL", line.substr(control + 21).c_str(), 1);
  return true;
}

// The sink device of a simulator found or started; null driver when there is none.
testing::DeviceUnderTest SimulatorSink() {
  static bool ready = [] {
    simtest::SimAddresses addresses;
    std::string why;
    if (simtest::FindRunningSim(&addresses, &why)) {
      return simtest::SimControlOk(addresses.control, std::string("profile ") + QX_SIM_PROFILES + "/sink.json");
    }
    return StartSinkSimulator();
  }();
  return ready ? testing::SinkDevice() : testing::DeviceUnderTest{nullptr, 0};
}

// CPU seconds the started simulator has used (user + system), or -1.
double SimulatorCpuSeconds() {
  if (simulatorPid <= 0) return -1;
  std::ifstream in("/proc/" + std::to_string(simulatorPid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t end = text.rfind(')');
  if (end == std::string::npos) return -1;
  std::vector<std::string> fields;
  std::size_t at = end + 2;
  while (at < text.size() && fields.size() < 15) {
    std::size_t space = text.find(' ', at);
    fields.push_back(text.substr(at, space - at));
    if (space == std::string::npos) break;
    at = space + 1;
  }
  // Fields 14 and 15 of the file (utime, stime) are the 12th and 13th after the command name.
  if (fields.size() < 13) return -1;
  return static_cast<double>(std::stoull(fields[11]) + std::stoull(fields[12])) / sysconf(_SC_CLK_TCK);
}

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
  testing::DeviceUnderTest sink = SimulatorSink();
  if (sink.driver == nullptr) {
    state.SkipWithError("no simulator");
    return;
  }
  int usb = OpenThreadedPort(sink);
  if (PortIsOpen(usb) != 1) {
    state.SkipWithError("the port did not open on the simulator's sink");
    ClosePorts();
    return;
  }
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
    double simulatorStart = SimulatorCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    state.counters["cpu_ms_in_5s"] = (ProcessCpuSeconds() - start) * 1000.0;
    // The simulator answers the idle reader's polls; its share is shown beside the port's.
    if (simulatorStart >= 0) state.counters["sim_cpu_ms_in_5s"] = (SimulatorCpuSeconds() - simulatorStart) * 1000.0;
  }
}

void IdleOpenThreadedPort(benchmark::State& state) {
  testing::DeviceUnderTest sink = SimulatorSink();
  if (sink.driver == nullptr) {
    state.SkipWithError("no simulator");
    return;
  }
  int usb = OpenThreadedPort(sink);
  if (PortIsOpen(usb) != 1) {
    state.SkipWithError("the port did not open on the simulator's sink");
    ClosePorts();
    return;
  }
  MeasureIdle(state);
  ClosePorts();
}
BENCHMARK(IdleOpenThreadedPort)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void IdleProcess(benchmark::State& state) { MeasureIdle(state); }
BENCHMARK(IdleProcess)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each run's throughput and counters so the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      auto bytes = run.counters.find("bytes_per_second");
      if (bytes != run.counters.end()) rates_[run.benchmark_name()] = bytes->second.value;
      auto cpu = run.counters.find("cpu_ms_in_5s");
      if (cpu != run.counters.end()) idle_[run.benchmark_name()] = cpu->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    std::printf("\nratios (same run)\n");
    Ratio("ByteQueuePushPop/1024", "Memcpy/1024");
    Ratio("ByteQueuePushPop/65536", "Memcpy/65536");
    Ratio("UsbPortIntoSink/real_time", "LoopbackSocketCopy/real_time");
    for (const char* chunk : {"65536", "1024"}) {
      for (const char* polling : {"0", "1"}) {
        Ratio(std::string("EthernetPortIntoUnit/chunk:") + chunk + "/polling:" + polling + "/real_time",
              std::string("PlainSocketIntoUnit/send:") + chunk + "/real_time");
      }
    }
    auto port = idle_.find("IdleOpenThreadedPort/iterations:1/real_time");
    auto process = idle_.find("IdleProcess/iterations:1/real_time");
    if (port != idle_.end() && process != idle_.end()) {
      std::printf("  idle open threaded port: %.1f ms CPU in 5 s (idle process %.1f ms)\n", port->second,
                  process->second);
    }
  }

 private:
  // With --benchmark_repetitions the medians are compared.
  double Rate(const std::string& name) const {
    auto median = rates_.find(name + "_median");
    if (median != rates_.end()) return median->second;
    auto single = rates_.find(name);
    return single != rates_.end() ? single->second : -1;
  }

  void Ratio(const std::string& measured, const std::string& baseline) const {
    const double m = Rate(measured);
    const double b = Rate(baseline);
    if (m < 0 || b <= 0) return;
    std::printf("  %s / %s = %.4f (%.1f / %.1f MiB/s)\n", measured.c_str(), baseline.c_str(), m / b,
                m / (1 << 20), b / (1 << 20));
  }

  std::map<std::string, double> rates_;
  std::map<std::string, double> idle_;
};

}  // namespace
}  // namespace qx::port

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  qx::port::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  qx::port::StopSimulator();
  return 0;
}
