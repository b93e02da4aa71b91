// qxr7000-sim: a virtual QX-R7000 and QXUSB driver, served over the QXUSB link on loopback.
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <memory>
#include <thread>
#include <vector>

#include "sim/bus.h"
#include "sim/control_commands.h"
#include "sim/control_connection.h"
#include "sim/ethernet_profile.h"
#include "sim/ethernet_unit.h"
#include "sim/link_connection.h"
#include "sim/tcp_server.h"

namespace {

constexpr const char kUsage[] =
    "usage: qxr7000-sim --profile FILE [--listen 127.0.0.1:PORT] [--control 127.0.0.1:PORT]\n"
    "                   [--profiles DIR] [--ethernet UNIT.json ...]\n"
    "Listens on loopback only; port 0 picks a free port. The first output line is\n"
    "  QXR7000_SIM=HOST:PORT QXR7000_SIM_CONTROL=HOST:PORT\n"
    "Control commands are read from standard input and from the control port (try 'help').\n"
    "Each --ethernet starts a loopback Ethernet unit (UDP control protocol, TCP data) and prints\n"
    "  QXR7000_ETHERNET=ADDRESS UDP=PORT TCP=PORT\n"
    "Units started without ports share the first unit's UDP port.\n";

struct Options {
  std::string profile, listen = "127.0.0.1:0", control, profiles;
  std::vector<std::string> ethernet;
};

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    std::string value = argv[++i];
    if (arg == "--profile") o->profile = value;
    else if (arg == "--listen") o->listen = value;
    else if (arg == "--control") o->control = value;
    else if (arg == "--profiles") o->profiles = value;
    else if (arg == "--ethernet") o->ethernet.push_back(value);
    else return false;
  }
  if (o->control.empty()) {
    // The control port sits on the link's host, any free port.
    o->control = o->listen.substr(0, o->listen.rfind(':')) + ":0";
  }
  if (o->profiles.empty()) {
    std::size_t slash = o->profile.find_last_of('/');
    o->profiles = slash == std::string::npos ? "." : o->profile.substr(0, slash);
  }
  return !o->profile.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // A read's time-out ends when it names, not up to the default 50 us of timer slack later; the
  // threads started below inherit this.
  prctl(PR_SET_TIMERSLACK, 1UL);
  qx::sim::SimState state;
  qx::sim::Profile profile;
  std::string error;
  if (!qx::sim::LoadProfileFile(options.profile, &profile, &error)) {
    std::fprintf(stderr, "qxr7000-sim: %s\n", error.c_str());
    return 1;
  }
  state.bus.SetProfile(profile);

  // Signals are taken by sigwait below, not by whichever thread they happen to hit.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  qx::sim::ControlContext control{&state, options.profiles, [] { kill(getpid(), SIGTERM); }};
  qx::sim::TcpServer link, controlServer;
  if (!link.Listen(options.listen, &error) || !controlServer.Listen(options.control, &error)) {
    std::fprintf(stderr, "qxr7000-sim: %s\n", error.c_str());
    return 1;
  }
  link.Start([&state](int socket, const std::atomic<bool>& stopping) {
    qx::sim::ServeLinkConnection(&state, socket, stopping);
  });
  controlServer.Start([&control](int socket, const std::atomic<bool>& stopping) {
    qx::sim::ServeControlConnection(&control, socket, stopping);
  });
  std::printf("QXR7000_SIM=%s QXR7000_SIM_CONTROL=%s\n", link.address().c_str(), controlServer.address().c_str());

  std::vector<std::unique_ptr<qx::sim::EthernetUnit>> units;
  for (const std::string& file : options.ethernet) {
    qx::sim::EthernetUnitProfile unitProfile;
    if (!units.empty() && unitProfile.udpPort == 0) unitProfile.udpPort = units.front()->UdpPort();
    auto unit = std::make_unique<qx::sim::EthernetUnit>();
    if (!qx::sim::LoadEthernetProfileFile(file, &unitProfile, &error) || !unit->Start(unitProfile)) {
      std::fprintf(stderr, "qxr7000-sim: %s\n", error.empty() ? ("cannot start the unit of " + file).c_str() : error.c_str());
      return 1;
    }
    std::printf("QXR7000_ETHERNET=%d.%d.%d.%d UDP=%u TCP=%u\n", unitProfile.address[0], unitProfile.address[1],
                unitProfile.address[2], unitProfile.address[3], unit->UdpPort(), unit->TcpPort());
    units.push_back(std::move(unit));
  }
  std::fflush(stdout);

  // Standard input is a control channel too; its end only ends that channel.
  std::thread input([&control] {
    std::string line;
    while (std::getline(std::cin, line)) {
      std::string reply = qx::sim::ExecuteControl(&control, line);
      std::fputs(reply.c_str(), stdout);
      std::fflush(stdout);
    }
  });
  input.detach();

  int signal = 0;
  sigwait(&signals, &signal);
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    state.stopping = true;
    state.changed.notify_all();
  }
  controlServer.Stop();
  link.Stop();
  return 0;
}
