#include "sim/control_commands.h"

#include <sstream>

namespace qx::sim {
namespace {

constexpr const char kHelp[] =
    "help\n"
    "  profile FILE            replace the profile (relative names: the profile folder)\n"
    "  fault [device N] SPEC   add a fault: no-reply | cut N | xon-xoff | byte-per-read |\n"
    "                          wrong-header [BYTE] | long-header [N] | drop N | delay MS |\n"
    "                          write-timeout N, optionally followed by 'on HEXBYTES';\n"
    "                          unplug CODE [NTH]\n"
    "  fault clear             remove every fault (also the profile's)\n"
    "  log                     the request log, one 'log ' line each\n"
    "  clear-log               empty the request log\n"
    "  status                  profile and devices\n"
    "  api [device N] SETTING  the scanner as the scanner API library sees it (device 0 unless\n"
    "                          given): cover open|closed, main-pocket near-full|ok,\n"
    "                          sub-pocket near-full|ok, franker on|off, offline on|off,\n"
    "                          held on|off, cycle on|off, handle N, status-bits HEX,\n"
    "                          feed [font=E13B|CMC7] [front=blank] [back=blank] micr=LINE,\n"
    "                          documents clear, fault SCANFAULT | fault clear, remove-paper,\n"
    "                          cleaning ok|fails|offline, timing scan MS eject MS cleaning MS,\n"
    "                          refuse FUNCTION CODE | refuse clear, state\n"
    "  quit                    stop the simulator\n";

std::string Status(Bus& bus) {
  std::ostringstream out;
  out << "profile " << (bus.profile().name.empty() ? "(unnamed)" : bus.profile().name) << "\n";
  for (int i = 0; i < bus.DeviceCount(); ++i) {
    const SimDevice& d = *bus.Device(i);
    static constexpr const char* kPresence[] = {"present", "busy", "absent"};
    out << "device " << i << " " << kPresence[static_cast<int>(d.profile().presence)]
        << (d.removed() ? " removed" : "") << " " << d.profile().path << "\n";
  }
  return out.str();
}

}  // namespace

std::string ExecuteControl(ControlContext* context, const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  std::string rest;
  std::getline(in >> std::ws, rest);
  SimState* state = context->state;
  if (verb.empty()) return "error empty command\n";
  if (verb == "help") return std::string(kHelp) + "ok\n";
  if (verb == "quit") {
    if (context->quit) context->quit();
    return "ok\n";
  }
  if (verb == "profile") {
    if (rest.empty()) return "error profile needs a file\n";
    std::string path = rest[0] == '/' ? rest : context->profileDirectory + "/" + rest;
    Profile profile;
    std::string error;
    if (!LoadProfileFile(path, &profile, &error)) return "error " + error + "\n";
    std::lock_guard<std::mutex> lock(state->mutex);
    state->bus.SetProfile(profile);
    state->changed.notify_all();
    return "ok " + std::to_string(profile.devices.size()) + " device(s)\n";
  }
  if (verb == "fault") {
    std::lock_guard<std::mutex> lock(state->mutex);
    if (rest == "clear") {
      state->bus.ClearFaults();
      return "ok\n";
    }
    int device = -1;
    if (rest.rfind("device ", 0) == 0) {
      std::istringstream d(rest.substr(7));
      if (!(d >> device) || device < 0) return "error expected 'device N'\n";
      std::getline(d >> std::ws, rest);
    }
    FaultSpec fault;
    std::string error;
    if (!ParseFault(rest, &fault, &error) || !state->bus.AddFault(fault, device, &error)) return "error " + error + "\n";
    state->changed.notify_all();
    return "ok " + FaultText(fault) + "\n";
  }
  if (verb == "log") {
    std::lock_guard<std::mutex> lock(state->mutex);
    std::string out;
    std::vector<std::string> lines = state->bus.log().Lines();
    for (const std::string& l : lines) out += "log " + l + "\n";
    return out + "ok " + std::to_string(lines.size()) + " line(s), " +
           std::to_string(state->bus.log().dropped()) + " dropped\n";
  }
  if (verb == "clear-log") {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->bus.log().Clear();
    return "ok\n";
  }
  if (verb == "api") {
    std::lock_guard<std::mutex> lock(state->mutex);
    int device = 0;
    if (rest.rfind("device ", 0) == 0) {
      std::istringstream d(rest.substr(7));
      if (!(d >> device) || device < 0) return "error expected 'device N'\n";
      std::getline(d >> std::ws, rest);
    }
    SimDevice* d = state->bus.Device(device);
    if (d == nullptr) return "error no device " + std::to_string(device) + "\n";
    std::string answer;
    bool ok = d->api().Apply(rest, &answer, &state->bus.log());
    state->changed.notify_all();
    if (!ok) return "error " + answer + "\n";
    return answer + "ok\n";
  }
  if (verb == "status") {
    std::lock_guard<std::mutex> lock(state->mutex);
    return Status(state->bus) + "ok\n";
  }
  return "error unknown command '" + verb + "' (try help)\n";
}

}  // namespace qx::sim
