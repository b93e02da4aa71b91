// The batch export's extended gather against the simulator, with each simulator fault aimed at one
// phase of the gather at a time. The table below is the expectation, fault x phase -> the batch
// export's result (0: the file was written). Every combination also checks the target file (empty
// after a failure, a whole setting file after success, holding the clean run's scanner data where
// the fault only delayed or wrapped the replies or hit a phase that stores nothing), that the export
// came back at all (a 30 s watchdog catches hangs; nothing here measures speed) and that it left no
// descriptor and no thread behind.
//
// A fault is aimed with "on COMMAND" at a command only that phase sends, or at the first phase that
// sends it: a failure there ends the chain, and a fault the phase tolerates is tolerated by the later
// phases sending the same command too. Phases that only make driver requests (the find, the driver
// and host-controller checks, the descriptor and vendor requests) are unplugged at their own request
// ("unplug CODE NTH"); the command faults cannot reach them, nor the close, and "busy" reaches only
// the find: those cells expect success and show the clean run's result in parentheses.
//
// The gather spends its time waiting on the scanner, so the combinations run in worker processes
// (forked; the port library is one per process), each with a simulator of its own.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/sim/sim_fixture.h"
#include "utility/shell/batch_export.h"
#include "utility/shell/run_mode.h"
#include "utility/shell/setting_record.h"

namespace qx {
namespace {

using Clock = std::chrono::steady_clock;

// The faults, in the order of the table's columns.
enum Fault {
  kNoReply, kCut, kXonXoff, kBytePerRead, kWrongHeader, kLongHeader, kDrop, kDelay, kWriteTimeout, kBusy, kUnplug,
  kFaultCount
};

struct FaultColumn {
  const char* title;  // the printed table's column head
  const char* spec;   // the simulator's fault text, aimed with "on COMMAND"; null: no command fault
};

const FaultColumn kFaults[kFaultCount] = {
    {"no-reply", "no-reply"},
    {"cut 1", "cut 1"},               // the first reply byte only
    {"xon-xoff", "xon-xoff"},
    {"1/read", "byte-per-read"},
    {"wrong-hdr", "wrong-header"},    // '?' in place of the header byte
    {"long-hdr", "long-header"},      // 600 bytes, beyond the 512-byte reply buffer
    {"drop 1", "drop 1"},             // one reply byte, then the scanner is gone from the bus
    {"delay", "delay 300"},           // well inside the 2000 ms a reply byte may take
    {"wr-tmo 1", "write-timeout 1"},  // the command's write ends by time-out after one byte
    {"busy", nullptr},                // held by another program: only opening it sees that
    {"unplug", "drop 0"},             // gone the moment the command would be answered
};

// Batch export results.
constexpr int OK = 0;      // the setting file was written
constexpr int E401 = 401;  // a read failed and the scanner is still there
constexpr int GONE = 204;  // the scanner vanished: not found after the failed read
constexpr int BUSY = 203;  // the scanner stayed busy while finding it
constexpr int NA = -1;     // the fault cannot reach this phase: success, as the clean run

struct Phase {
  const char* name;
  const char* command;  // hex bytes the fault is aimed at; null: the phase sends no byte command
  const char* control;  // the driver request the phase is unplugged at: "CODE [NTH]"; null: none
  int expected[kFaultCount];
};

// Why the codes are what they are:
// - The device-state check takes any reply but "1" "o" NUL, and no reply at all, as the normal
//   state; only a failed write ends it (401).
// - The device node's original version, boot mode and calibration flag fail the node only on a
//   wrong header; a write failure or a missing reply leaves the field unread and goes on. The
//   sensor node treats its position sensors the same way.
// - The AD converter, NV and counter nodes count a reply with another header as done, but fail on
//   a write failure or a missing reply; thresholds, the error history and the calibration
//   transfers fail on every one of these.
// - The calibration-mode entry waits 10 s for its three bytes "1" 0x81 NUL and fails on anything
//   else; only that failure ends the chain: a failed write of the entry command does not.
// - The exit's outcome is not used.
// - "drop 1" and "unplug" take the scanner away: a read or driver request fails, or the next
//   request finds the port not ready; the re-open check still sees the open port, and the
//   error-cause query cannot set the status-exchange mode of a removed device: 204.
// - XON/XOFF, one byte per read, a 300 ms delay and a header block longer than the buffer are
//   taken in stride, except that the error history's padding is read as list text, whose next
//   entry then lacks its ':' (401), and the calibration-mode entry compares the padding's first
//   byte with its NUL (401).
const Phase kPhases[] = {
    // name                        command                   unplugged at  no-rep cut1  xon   1/read wrong long  drop1 delay wrtmo busy  unplug
    {"find",                       nullptr,                  "0x2220C0",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   BUSY, GONE}},
    {"driver check",               nullptr,                  "0x222000",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"host-controller check",      nullptr,                  "0x22212C 2", {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"device-state check",         "1D4901",                 nullptr,      {OK,   OK,   OK,   OK,   OK,   OK,   GONE, OK,   E401, NA,   GONE}},
    {"Device Descriptor",          nullptr,                  "0x222040",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Configuration Descriptor",   nullptr,                  "0x222044",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Interface Descriptor",       nullptr,                  "0x222044 3", {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"EndPoint Descriptor",        nullptr,                  "0x222044 5", {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"String Descriptor",          nullptr,                  "0x222048",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Device Qualifier Descr.",    nullptr,                  "0x222058",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Other Speed Config. Descr.", nullptr,                  "0x22205C",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Other Speed Interf. Descr.", nullptr,                  "0x22205C 3", {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Other Speed EndPt. Descr.",  nullptr,                  "0x22205C 5", {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Device Status",              nullptr,                  "0x22204C",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Power Save",                 nullptr,                  "0x22214C",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"QXUSB",                      nullptr,                  "0x222000 2", {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"XB Configuration Descr.",    nullptr,                  "0x2220C0 3", {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"XB String Descriptor",       nullptr,                  "0x2220CC",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Pipe Time Out",              nullptr,                  "0x22200C",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Time Out Mode",              nullptr,                  "0x22211C",   {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"XB Status",                  nullptr,                  "0x2220C4 3", {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   GONE}},
    {"Device",                     "1C7C7F6F15EA8A01000E",   nullptr,      {OK,   OK,   OK,   OK,   E401, OK,   GONE, OK,   OK,   NA,   GONE}},
    {"AD Converter",               "1C7C7F6F0AF505010002",   nullptr,      {E401, E401, OK,   OK,   OK,   OK,   GONE, OK,   E401, NA,   GONE}},
    {"NORVA NV",                   "1D284305000002802331",   nullptr,      {E401, E401, OK,   OK,   OK,   OK,   GONE, OK,   E401, NA,   GONE}},
    {"Maintenance Counter",        "1D6732004600",           nullptr,      {E401, E401, OK,   OK,   OK,   OK,   GONE, OK,   E401, NA,   GONE}},
    {"Threshold Value",            "1C7C7F6F629D3102000AF5", nullptr,      {E401, E401, OK,   OK,   E401, OK,   GONE, OK,   E401, NA,   GONE}},
    {"Sensor Status",              "1C7C7F6F68973402000200", nullptr,      {OK,   OK,   OK,   OK,   E401, OK,   GONE, OK,   OK,   NA,   GONE}},
    {"Error History",              "1D284305000002802145",   nullptr,      {E401, E401, OK,   OK,   E401, E401, GONE, OK,   E401, NA,   GONE}},
    {"calibration-mode entry",     "1C7C4DA0",               nullptr,      {E401, E401, OK,   OK,   E401, E401, GONE, OK,   OK,   NA,   GONE}},
    {"Calibration Value(Face)",    "1C2B006006",             nullptr,      {E401, E401, OK,   OK,   E401, OK,   GONE, OK,   E401, NA,   GONE}},
    {"Face Brightness Reference",  "1C2B000000",             nullptr,      {E401, E401, OK,   OK,   E401, OK,   GONE, OK,   E401, NA,   GONE}},
    {"Face Darkness Reference",    "1C2B003003",             nullptr,      {E401, E401, OK,   OK,   E401, OK,   GONE, OK,   E401, NA,   GONE}},
    {"Calibration Value(Back)",    "1C2B00C80C",             nullptr,      {E401, E401, OK,   OK,   E401, OK,   GONE, OK,   E401, NA,   GONE}},
    {"Back Brightness Reference",  "1C2B006806",             nullptr,      {E401, E401, OK,   OK,   E401, OK,   GONE, OK,   E401, NA,   GONE}},
    {"Back Darkness Reference",    "1C2B009809",             nullptr,      {E401, E401, OK,   OK,   E401, OK,   GONE, OK,   E401, NA,   GONE}},
    {"Calibration Value(Other)",   "1C2B00D00C",             nullptr,      {E401, E401, OK,   OK,   E401, OK,   GONE, OK,   E401, NA,   GONE}},
    {"calibration-mode exit",      "1C7C4DA1",               nullptr,      {OK,   OK,   OK,   OK,   OK,   OK,   OK,   OK,   OK,   NA,   OK}},
    {"close",                      nullptr,                  nullptr,      {NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   NA,   OK}},
};
constexpr int kPhaseCount = static_cast<int>(sizeof kPhases / sizeof kPhases[0]);

// Cells reached otherwise than by a command fault of the phase itself.
struct Special {
  const char* phase;
  Fault fault;
  const char* profile;  // the scanner set-up to load; null: the default profile
  const char* spec;     // the fault to add; null: none
};

const Special kSpecials[] = {
    {"find", kBusy, "busy-scanner.json", nullptr},
    // The whole exit reply, then the scanner is gone before the port is closed.
    {"close", kUnplug, nullptr, "drop 3 on 1C7C4DA1"},
};

constexpr int kWorkers = 8;
constexpr auto kWatchdog = std::chrono::seconds(30);

// Phases that store nothing of their own in the setting file.
const char* const kPhasesWithoutData[] = {"device-state check", "calibration-mode entry", "calibration-mode exit",
                                          "close"};

// One export run: the scanner set-up and what it must give.
struct ExportRun {
  std::string profile;
  std::string spec;
  int expected;
  // The file's scanner data must equal the clean run's: the fault only delayed or wrapped the
  // replies, or hit a phase that stores nothing.
  bool sameData;
};

// What a worker reports for one run; fixed size, so one pipe write carries it whole.
struct Report {
  std::int32_t run;
  std::int32_t setupOk;
  std::int32_t code;
  std::int32_t fdDelta;
  std::int32_t threadDelta;
  std::int32_t fileExists;
  std::int64_t fileSize;
  std::int32_t fileHeaderOk;
  std::int32_t aimReached;
  std::uint64_t scannerDigest;  // of the file's scanner slots, when the file is whole
};
static_assert(sizeof(Report) <= PIPE_BUF);

struct Outcome {
  bool reported = false;
  bool hung = false;
  bool died = false;
  Report report{};
};

// The runs: the clean run first (index 0), then one per reachable cell; cellRun maps each cell to
// its run, the clean run for the cells no fault reaches.
void BuildRuns(std::vector<ExportRun>* runs, std::vector<int>* cellRun) {
  runs->push_back({"default.json", "", OK, true});
  cellRun->assign(static_cast<std::size_t>(kPhaseCount * kFaultCount), 0);
  for (int p = 0; p < kPhaseCount; ++p) {
    for (int f = 0; f < kFaultCount; ++f) {
      const int expected = kPhases[p].expected[f];
      const Special* special = nullptr;
      for (const Special& s : kSpecials) {
        if (s.fault == f && std::strcmp(s.phase, kPhases[p].name) == 0) special = &s;
      }
      bool storesNothing = false;
      for (const char* name : kPhasesWithoutData) {
        storesNothing = storesNothing || std::strcmp(name, kPhases[p].name) == 0;
      }
      const bool transparent = f == kXonXoff || f == kBytePerRead || f == kDelay;
      ExportRun run{"default.json", "", expected, expected == OK && (transparent || storesNothing)};
      if (special != nullptr) {
        if (special->profile != nullptr) run.profile = special->profile;
        if (special->spec != nullptr) run.spec = special->spec;
      } else if (expected == NA) {
        continue;
      } else if (f == kUnplug && kPhases[p].control != nullptr) {
        run.spec = std::string("unplug ") + kPhases[p].control;
      } else {
        ASSERT_NE(kPhases[p].command, nullptr) << kPhases[p].name << ": a reachable cell needs a command or a set-up";
        ASSERT_NE(kFaults[f].spec, nullptr) << kFaults[f].title;
        run.spec = std::string(kFaults[f].spec) + " on " + kPhases[p].command;
      }
      (*cellRun)[static_cast<std::size_t>(p * kFaultCount + f)] = static_cast<int>(runs->size());
      runs->push_back(run);
    }
  }
}

int CountEntries(const char* folder) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return -1;
  int n = 0;
  while (dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) ++n;
  }
  closedir(dir);
  return n;
}

// A qxr7000-sim of the test's own, its output in a file of the work folder.
struct SimProcess {
  pid_t pid = -1;
  std::string link;     // host:port of the QXUSB link
  std::string control;  // host:port of the control port
  std::string output;
};

bool StartSim(const std::string& output, SimProcess* sim, std::string* why) {
  sim->output = output;
  const std::string profile = std::string(QX_SIM_PROFILES) + "/default.json";
  // The addresses are read from the new output only, never from an earlier run's.
  unlink(output.c_str());
  std::fflush(nullptr);
  sim->pid = fork();
  if (sim->pid == 0) {
    // Ends with the test, however the test ends.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    int in = open("/dev/null", O_RDONLY);
    int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) _exit(127);
    close(in);
    close(out);
    execl(QX_SIM_PROGRAM, QX_SIM_PROGRAM, "--profile", profile.c_str(), "--listen", "127.0.0.1:0",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  if (sim->pid < 0) {
    *why = std::string("cannot start ") + QX_SIM_PROGRAM;
    return false;
  }
  // The first line names both addresses: QXR7000_SIM=H:P QXR7000_SIM_CONTROL=H:P
  for (int tries = 0; tries < 400; ++tries) {
    std::FILE* f = std::fopen(output.c_str(), "r");
    char line[256] = {};
    bool got = f != nullptr && std::fgets(line, sizeof line, f) != nullptr && std::strchr(line, '\n') != nullptr;
    if (f != nullptr) std::fclose(f);
    char link[128] = {};
    char control[128] = {};
    if (got && std::sscanf(line, "QXR7000_SIM=%127s QXR7000_SIM_CONTROL=%127s", link, control) == 2) {
      sim->link = link;
      sim->control = control;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  *why = "the simulator did not name its addresses in " + output;
  return false;
}

void StopProcess(pid_t pid, int signal) {
  if (pid <= 0) return;
  kill(pid, signal);
  for (int tries = 0; tries < 200; ++tries) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

std::string ReadFile(const std::string& path) {
  std::string text;
  if (std::FILE* f = std::fopen(path.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

// FNV-1a over the file's slots of the scanner's nodes; the PC's nodes (free memory and the like)
// differ from run to run.
std::uint64_t ScannerDigest(const std::string& file) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const SettingSlot& slot : kSettingSlots) {
    if (slot.node == NodeClass::kSystem || slot.node == NodeClass::kAPIDriver ||
        slot.node == NodeClass::kDotNetFramework || slot.node == NodeClass::kUSBDriverStack) {
      continue;
    }
    for (std::size_t i = 0; i < slot.size; ++i) {
      hash ^= static_cast<std::uint8_t>(file[kSettingFileHeaderSize + slot.offset + i]);
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

// The simulator's request log shows the fault met what it was aimed at: the command went out, the
// device was removed where a drop or an unplug says, the busy device was tried.
bool FaultReachedItsAim(const ExportRun& run, const std::vector<std::string>& log) {
  auto has = [&](const std::string& part) {
    for (const std::string& line : log) {
      if (line.find(part) != std::string::npos) return true;
    }
    return false;
  };
  if (run.profile == "busy-scanner.json") return has("-> busy");
  bool reached = true;
  if (std::size_t on = run.spec.find(" on "); on != std::string::npos) {
    const std::string command = run.spec.substr(on + 4);
    const bool writeFault = run.spec.rfind("write-timeout", 0) == 0;
    bool sent = false;
    for (const std::string& line : log) {
      // A write cut short never completes the command: the log has the write, not the command.
      if (writeFault) {
        sent = sent || (line.find("log write 0 Q " + command) == 0 && line.find("timed-out-after") != std::string::npos);
      } else {
        sent = sent || (line.find("log command 0 ") == 0 && line.find(" " + command) != std::string::npos);
      }
    }
    reached = sent;
  }
  if (run.spec.rfind("drop", 0) == 0) reached = reached && has("log removed 0");
  char code[16] = {};
  unsigned nth = 1;
  if (std::sscanf(run.spec.c_str(), "unplug %15s %u", code, &nth) >= 1) {
    // Removed by the NTH request with that code, which already failed.
    unsigned seen = 0;
    reached = false;
    for (std::size_t i = 0; i + 1 < log.size(); ++i) {
      if (log[i].find("log control 0 " + std::string(code) + " ") == 0) ++seen;
      if (log[i] == "log removed 0") {
        reached = seen + 1 == nth && log[i + 1].find("log control 0 " + std::string(code) + " ") == 0 &&
                  log[i + 1].find("-> failed") != std::string::npos;
        break;
      }
    }
  }
  return reached;
}

// One run in a worker: set the simulator up, export, and look at what the export left.
Report RunOnce(int index, const ExportRun& run, const platform::LoopbackAddress& control) {
  Report r{};
  r.run = index;
  r.setupOk = simtest::SimControlOk(control, "profile " + run.profile) &&
              simtest::SimControlOk(control, "fault clear") &&
              (run.spec.empty() || simtest::SimControlOk(control, "fault " + run.spec)) &&
              simtest::SimControlOk(control, "clear-log");
  char name[16];
  std::snprintf(name, sizeof name, "run%03d", index);
  const std::string file = std::string(name) + ".qxr";
  unlink(file.c_str());

  const int fds = CountEntries("/proc/self/fd");
  const int threads = CountEntries("/proc/self/task");
  r.code = RunBatchExport((std::string("/r7000 ") + name).c_str());
  r.fdDelta = CountEntries("/proc/self/fd") - fds;
  r.threadDelta = CountEntries("/proc/self/task") - threads;
  r.aimReached = FaultReachedItsAim(run, simtest::SimControl(control, "log"));

  struct stat info {};
  r.fileExists = stat(file.c_str(), &info) == 0;
  r.fileSize = r.fileExists ? static_cast<std::int64_t>(info.st_size) : -1;
  const std::string bytes = ReadFile(file);
  r.fileHeaderOk = bytes.compare(0, 3, "QXR") == 0;
  if (bytes.size() == kSettingFileSize) r.scannerDigest = ScannerDigest(bytes);
  unlink(file.c_str());
  return r;
}

[[noreturn]] void WorkerMain(int commands, int reports, const SimProcess& sim, const std::string& folder,
                             const std::vector<ExportRun>& runs) {
  // The product finds the simulator through the environment, once per process.
  unsetenv("QXR7000_SIM_FILE");
  setenv("QXR7000_SIM", sim.link.c_str(), 1);
  setenv("QXR7000_SIM_CONTROL", sim.control.c_str(), 1);
  simtest::SimAddresses addresses;
  std::string why;
  if (chdir(folder.c_str()) != 0 || !simtest::FindRunningSim(&addresses, &why)) _exit(3);
  SetRunMode(kRunModeBatch);
  for (;;) {
    std::int32_t index = -1;
    if (read(commands, &index, sizeof index) != static_cast<ssize_t>(sizeof index) || index < 0) _exit(0);
    Report r = RunOnce(index, runs[static_cast<std::size_t>(index)], addresses.control);
    if (write(reports, &r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(4);
  }
}

struct Worker {
  pid_t pid = -1;
  int commands = -1;  // parent -> worker: run indexes
  int reports = -1;   // worker -> parent: reports
  int run = -1;       // the run in progress, -1 when idle
  Clock::time_point since;
  int sim = 0;
};

void CloseWorkerPipes(Worker* w) {
  if (w->commands >= 0) close(w->commands);
  if (w->reports >= 0) close(w->reports);
  w->commands = w->reports = -1;
}

bool StartWorker(Worker* w, const std::vector<Worker>& all, const SimProcess& sim, const std::string& folder,
                 const std::vector<ExportRun>& runs) {
  int toWorker[2];
  int fromWorker[2];
  if (pipe(toWorker) != 0) return false;
  if (pipe(fromWorker) != 0) {
    close(toWorker[0]);
    close(toWorker[1]);
    return false;
  }
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (const Worker& other : all) {
      if (other.commands >= 0) close(other.commands);
      if (other.reports >= 0) close(other.reports);
    }
    close(toWorker[1]);
    close(fromWorker[0]);
    WorkerMain(toWorker[0], fromWorker[1], sim, folder, runs);
  }
  close(toWorker[0]);
  close(fromWorker[1]);
  if (pid < 0) {
    close(toWorker[1]);
    close(fromWorker[0]);
    return false;
  }
  w->pid = pid;
  w->commands = toWorker[1];
  w->reports = fromWorker[0];
  w->run = -1;
  return true;
}

// Whatever ends the test, no worker and no simulator outlives it.
struct ProcessGuard {
  std::vector<Worker>* workers;
  std::vector<SimProcess>* sims;
  ~ProcessGuard() {
    for (Worker& w : *workers) {
      if (w.pid > 0) StopProcess(w.pid, SIGKILL);
      CloseWorkerPipes(&w);
      w.pid = -1;
    }
    for (SimProcess& sim : *sims) {
      if (sim.pid > 0) StopProcess(sim.pid, SIGTERM);
      sim.pid = -1;
    }
  }
};

std::string CellText(int code, bool unreached, bool matches) {
  char text[16];
  if (unreached) std::snprintf(text, sizeof text, "(%d)", code);
  else std::snprintf(text, sizeof text, "%d", code);
  std::string cell = text;
  if (!matches) cell += "!";
  return cell;
}

TEST(FaultMatrix, EveryFaultAtEveryPhaseOfTheBatchExport) {
  std::vector<ExportRun> runs;
  std::vector<int> cellRun;
  BuildRuns(&runs, &cellRun);
  ASSERT_FALSE(HasFatalFailure());

  const std::string folder = QX_FAULT_MATRIX_WORK;
  mkdir(folder.c_str(), 0755);
  std::vector<SimProcess> sims(kWorkers);
  std::vector<Worker> workers(kWorkers);
  ProcessGuard guard{&workers, &sims};
  for (int i = 0; i < kWorkers; ++i) {
    std::string why;
    const std::string output = folder + "/sim" + std::to_string(i) + ".out";
    ASSERT_TRUE(StartSim(output, &sims[static_cast<std::size_t>(i)], &why)) << why;
  }
  std::vector<std::string> workFolders;
  for (int i = 0; i < kWorkers; ++i) {
    workFolders.push_back(folder + "/worker" + std::to_string(i));
    mkdir(workFolders.back().c_str(), 0755);
  }

  for (int i = 0; i < kWorkers; ++i) {
    workers[static_cast<std::size_t>(i)].sim = i;
    ASSERT_TRUE(StartWorker(&workers[static_cast<std::size_t>(i)], workers, sims[static_cast<std::size_t>(i)],
                            workFolders[static_cast<std::size_t>(i)], runs));
  }

  std::vector<Outcome> outcomes(runs.size());
  std::size_t next = 0;
  std::size_t finished = 0;
  const auto matrixStart = Clock::now();
  auto replace = [&](Worker& w) {
    waitpid(w.pid, nullptr, 0);
    CloseWorkerPipes(&w);
    w.run = -1;
    const std::size_t s = static_cast<std::size_t>(w.sim);
    return StartWorker(&w, workers, sims[s], workFolders[s], runs);
  };
  while (finished < runs.size()) {
    for (Worker& w : workers) {
      if (w.run >= 0 || w.pid < 0 || next >= runs.size()) continue;
      std::int32_t index = static_cast<std::int32_t>(next);
      ASSERT_EQ(write(w.commands, &index, sizeof index), static_cast<ssize_t>(sizeof index));
      w.run = index;
      w.since = Clock::now();
      ++next;
    }
    std::vector<pollfd> waiting;
    std::vector<Worker*> owners;
    for (Worker& w : workers) {
      if (w.run < 0) continue;
      waiting.push_back({w.reports, POLLIN, 0});
      owners.push_back(&w);
    }
    ASSERT_FALSE(waiting.empty()) << "no worker left to run the remaining combinations";
    poll(waiting.data(), waiting.size(), 200);
    for (std::size_t i = 0; i < waiting.size(); ++i) {
      Worker& w = *owners[i];
      Outcome& outcome = outcomes[static_cast<std::size_t>(w.run)];
      if ((waiting[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        Report r{};
        if (read(w.reports, &r, sizeof r) == static_cast<ssize_t>(sizeof r) && r.run == w.run) {
          outcome.reported = true;
          outcome.report = r;
          w.run = -1;
        } else {
          // The worker ended inside the export: a crash.
          outcome.died = true;
          ASSERT_TRUE(replace(w));
        }
        ++finished;
      } else if (Clock::now() - w.since > kWatchdog) {
        outcome.hung = true;
        kill(w.pid, SIGKILL);
        ASSERT_TRUE(replace(w));
        ++finished;
      }
    }
  }
  const auto matrixSeconds = std::chrono::duration<double>(Clock::now() - matrixStart).count();
  for (Worker& w : workers) {
    std::int32_t stop = -1;
    if (write(w.commands, &stop, sizeof stop) != static_cast<ssize_t>(sizeof stop)) kill(w.pid, SIGKILL);
    waitpid(w.pid, nullptr, 0);
    CloseWorkerPipes(&w);
    w.pid = -1;
  }
  for (SimProcess& sim : sims) {
    StopProcess(sim.pid, SIGTERM);
    sim.pid = -1;
    std::string output = ReadFile(sim.output);
    EXPECT_EQ(output.find("Sanitizer"), std::string::npos) << output;
    EXPECT_EQ(output.find("runtime error:"), std::string::npos) << output;
  }

  // Every run: the code the table names, the file that goes with it, nothing left behind.
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const ExportRun& run = runs[i];
    const Outcome& o = outcomes[i];
    SCOPED_TRACE("profile " + run.profile + (run.spec.empty() ? "" : ", fault " + run.spec));
    EXPECT_FALSE(o.hung) << "the export did not come back within the watchdog";
    EXPECT_FALSE(o.died) << "the worker ended inside the export";
    if (!o.reported) continue;
    const Report& r = o.report;
    EXPECT_TRUE(r.setupOk) << "the simulator refused the set-up";
    EXPECT_TRUE(r.aimReached) << "the simulator's log does not show the fault meeting its aim";
    EXPECT_EQ(r.code, run.expected);
    EXPECT_EQ(r.fdDelta, 0) << "descriptors left open";
    EXPECT_EQ(r.threadDelta, 0) << "threads left running";
    if (r.code == OK) {
      EXPECT_EQ(r.fileSize, static_cast<std::int64_t>(kSettingFileSize));
      EXPECT_TRUE(r.fileHeaderOk);
      if (run.sameData && outcomes[0].reported) {
        EXPECT_EQ(r.scannerDigest, outcomes[0].report.scannerDigest)
            << "the scanner's data differs from the clean run's";
      }
    } else {
      // The target is created empty before the gather and stays so when it fails.
      EXPECT_TRUE(r.fileExists);
      EXPECT_EQ(r.fileSize, 0);
    }
  }

  // The digest sees the data: the voltage reply the AD converter node skipped for its header is
  // left unread in the file.
  for (int p = 0; p < kPhaseCount; ++p) {
    if (std::strcmp(kPhases[p].name, "AD Converter") != 0) continue;
    const int run = cellRun[static_cast<std::size_t>(p * kFaultCount + kWrongHeader)];
    const Outcome& skipped = outcomes[static_cast<std::size_t>(run)];
    ASSERT_TRUE(skipped.reported && outcomes[0].reported);
    EXPECT_EQ(skipped.report.code, OK);
    EXPECT_NE(skipped.report.scannerDigest, outcomes[0].report.scannerDigest);
  }

  // The table as observed: "(0)" a cell no fault reaches (the clean run), "!" a cell that differs
  // from the expectation, "hang"/"died" a run that never reported.
  std::string table = "fault x phase -> batch export result (0 written; 401 read failed; 204 scanner gone; "
                      "203 busy)\n";
  char head[64];
  std::snprintf(head, sizeof head, "%-28s %-24s", "phase", "aimed at");
  table += head;
  for (const FaultColumn& f : kFaults) {
    std::snprintf(head, sizeof head, " %9s", f.title);
    table += head;
  }
  table += "\n";
  for (int p = 0; p < kPhaseCount; ++p) {
    char line[64];
    std::string aim = kPhases[p].command != nullptr   ? kPhases[p].command
                      : kPhases[p].control != nullptr ? std::string("request ") + kPhases[p].control
                                                      : "-";
    std::snprintf(line, sizeof line, "%-28s %-24s", kPhases[p].name, aim.c_str());
    table += line;
    for (int f = 0; f < kFaultCount; ++f) {
      const int index = cellRun[static_cast<std::size_t>(p * kFaultCount + f)];
      const Outcome& o = outcomes[static_cast<std::size_t>(index)];
      const ExportRun& run = runs[static_cast<std::size_t>(index)];
      std::string cell;
      if (o.hung) cell = "hang!";
      else if (!o.reported) cell = "died!";
      else {
        const Report& r = o.report;
        bool clean = r.setupOk && r.aimReached && r.code == run.expected && r.fdDelta == 0 && r.threadDelta == 0 &&
                     (!run.sameData || r.scannerDigest == outcomes[0].report.scannerDigest);
        cell = CellText(r.code, index == 0 && kPhases[p].expected[f] == NA, clean);
      }
      std::snprintf(line, sizeof line, " %9s", cell.c_str());
      table += line;
    }
    table += "\n";
  }
  std::printf("%s%zu runs in %.0f s with %d workers\n", table.c_str(), runs.size(), matrixSeconds, kWorkers);
}

}  // namespace
}  // namespace qx
