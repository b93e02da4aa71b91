// The extended gather against a running qxr7000-sim (started here, default profile): wall time,
// CPU time, the request transactions the simulator logged, and the floor the request protocol
// itself imposes in the same run; and the whole batch export from start to exit.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/sim/sim_fixture.h"
#include "utility/shell/info_document.h"
#include "utility/shell/result_code.h"
#include "utility/shell/run_mode.h"

extern char** environ;

namespace {

// The USB port's read constant during a gather (device connection timings) and the drain's wait.
// The gather reads the port directly: each of a drain's two reads of 128 bytes finds less than
// asked and so lasts the whole read constant.
constexpr double kReadConstantMs = 10.0;
constexpr double kDrainSleepMs = 1.0;
constexpr double kDrainFloorMs = 2 * kReadConstantMs + kDrainSleepMs;

struct Sim {
  pid_t pid = 0;
  qx::simtest::SimAddresses addresses{};
  bool running = false;
};

Sim StartSim() {
  Sim sim;
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return sim;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::string program = QX_SIM_EXE;
  std::string profileFlag = "--profile", profile = QX_SIM_PROFILES "/default.json";
  std::string listenFlag = "--listen", listen = "127.0.0.1:0";
  char* argv[] = {program.data(), profileFlag.data(), profile.data(), listenFlag.data(), listen.data(), nullptr};
  int spawned = posix_spawn(&sim.pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) return sim;
  std::string line;
  char c = 0;
  while (read(pipeFds[0], &c, 1) == 1 && c != '\n' && line.size() < 256) line += c;
  close(pipeFds[0]);
  std::size_t space = line.find(' ');
  if (line.rfind("QXR7000_SIM=", 0) != 0 || space == std::string::npos) return sim;
  setenv("QXR7000_SIM", line.substr(12, space - 12).c_str(), 1);
  setenv("QXR7000_SIM_CONTROL", line.substr(line.find('=', space) + 1).c_str(), 1);
  std::string why;
  sim.running = qx::simtest::FindRunningSim(&sim.addresses, &why);
  return sim;
}

Sim& TheSim() {
  static Sim sim = StartSim();
  return sim;
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct LogCounts {
  int transactions = 0;  // each starts with the request prefix, whose first command selects the scanner
  int replies = 0;       // reply round trips: transactions and the transfers' continuations
  int linkReads = 0;     // link reads that delivered bytes
  int controls = 0;
};

LogCounts CountLog(const qx::simtest::SimAddresses& sim) {
  LogCounts counts;
  for (const std::string& line : qx::simtest::SimControl(sim.control, "log")) {
    if (line.find(" command ") != std::string::npos && line.find(" select-peripheral ") != std::string::npos) {
      ++counts.transactions;
    }
    if (line.rfind("log reply ", 0) == 0) ++counts.replies;
    if (line.rfind("log read ", 0) == 0) ++counts.linkReads;
    if (line.rfind("log control ", 0) == 0) ++counts.controls;
  }
  return counts;
}

void BM_ExtendedGather(benchmark::State& state) {
  Sim& sim = TheSim();
  if (!sim.running) {
    state.SkipWithError("the simulator did not start");
    return;
  }
  double wall = 0, cpu = 0;
  LogCounts last;
  for (auto _ : state) {
    qx::simtest::SimControlOk(sim.addresses.control, "clear-log");
    auto start = std::chrono::steady_clock::now();
    double cpuStart = CpuSeconds();
    {
      qx::InfoDocument document(nullptr);
      document.BuildDeviceTree(qx::kRunModeBatch);
      if (document.ExtendedGather() != qx::kResultSuccess) state.SkipWithError("the gather failed");
    }
    cpu += CpuSeconds() - cpuStart;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    last = CountLog(sim.addresses);
    state.ResumeTiming();
  }
  double n = static_cast<double>(state.iterations());
  double floorMs = last.transactions * kDrainFloorMs;
  state.counters["transactions"] = last.transactions;
  state.counters["replies"] = last.replies;
  state.counters["link_reads"] = last.linkReads;
  state.counters["control_requests"] = last.controls;
  state.counters["wall_ms"] = wall / n * 1000.0;
  state.counters["floor_ms"] = floorMs;
  state.counters["measured_over_floor"] = floorMs > 0 ? (wall / n * 1000.0) / floorMs : 0;
  state.counters["cpu_over_wall"] = wall > 0 ? cpu / wall : 0;
}
BENCHMARK(BM_ExtendedGather)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_BatchExportStartToExit(benchmark::State& state) {
  Sim& sim = TheSim();
  if (!sim.running) {
    state.SkipWithError("the simulator did not start");
    return;
  }
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "qx-gather-bench";
  std::filesystem::create_directories(folder);
  for (auto _ : state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::string program = QX_UTILITY_EXE, a1 = "/r7000", a2 = "bench";
    char* argv[] = {program.data(), a1.data(), a2.data(), nullptr};
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned == 0) waitpid(pid, &status, 0);
    if (spawned != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("the export failed");
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BatchExportStartToExit)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Sim& sim = TheSim();
  if (sim.pid > 0) {
    kill(sim.pid, SIGTERM);
    waitpid(sim.pid, nullptr, 0);
  }
  return 0;
}
