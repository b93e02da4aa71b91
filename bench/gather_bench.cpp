// The extended gather against a running qxr7000-sim (started here, default profile): wall time,
// CPU time, the floor the behaviour imposes on the same run (every mandated wait) and their ratio,
// then where the time of the last run went; and the whole batch export from start to exit.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/gather_breakdown.h"
#include "tests/sim/sim_fixture.h"

extern char** environ;

namespace {

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

qx::bench::GatherRun lastRun;

void BM_ExtendedGather(benchmark::State& state) {
  Sim& sim = TheSim();
  if (!sim.running) {
    state.SkipWithError("the simulator did not start");
    return;
  }
  double wall = 0, floor = 0, cpu = 0;
  for (auto _ : state) {
    qx::bench::GatherRun run = qx::bench::RunTracedGather(sim.addresses, 0);
    if (!run.ok) {
      state.SkipWithError(run.why.c_str());
      return;
    }
    state.SetIterationTime(run.breakdown.wallMs / 1000.0);
    wall += run.breakdown.wallMs;
    floor += run.floor.TotalMs();
    cpu += run.breakdown.cpuMs;
    lastRun = run;
  }
  double n = static_cast<double>(state.iterations());
  state.counters["transactions"] = lastRun.counts.transactions;
  state.counters["replies"] = lastRun.counts.replies;
  state.counters["control_requests"] = lastRun.counts.controls;
  state.counters["wall_ms"] = wall / n;
  state.counters["floor_ms"] = floor / n;
  state.counters["measured_over_floor"] = floor > 0 ? wall / floor : 0;
  state.counters["cpu_over_wall"] = wall > 0 ? cpu / wall : 0;
}
BENCHMARK(BM_ExtendedGather)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

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
  if (lastRun.ok) std::printf("the last extended gather:\n%s", qx::bench::BreakdownTable(lastRun).c_str());
  Sim& sim = TheSim();
  if (sim.pid > 0) {
    kill(sim.pid, SIGTERM);
    waitpid(sim.pid, nullptr, 0);
  }
  return 0;
}
