#include "tests/sim/sim_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qx::simtest {
namespace {

bool ParseFirstLine(const std::string& line, SimAddresses* addresses) {
  std::size_t link = line.find("QXR7000_SIM=");
  std::size_t control = line.find("QXR7000_SIM_CONTROL=");
  if (link == std::string::npos || control == std::string::npos) return false;
  std::string linkText = line.substr(link + 12, line.find(' ', link) - link - 12);
  std::string controlText = line.substr(control + 20);
  while (!controlText.empty() && (controlText.back() == '\n' || controlText.back() == '\r')) controlText.pop_back();
  return platform::ParseLoopbackAddress(linkText.c_str(), &addresses->link) &&
         platform::ParseLoopbackAddress(controlText.c_str(), &addresses->control);
}

}  // namespace

bool FindRunningSim(SimAddresses* addresses, std::string* why) {
  const char* file = std::getenv("QXR7000_SIM_FILE");
  if (file != nullptr && *file != '\0') {
    std::FILE* f = std::fopen(file, "r");
    if (f == nullptr) {
      *why = std::string("cannot read ") + file;
      return false;
    }
    char line[256] = {};
    bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!read || !ParseFirstLine(line, addresses)) {
      *why = std::string("no simulator addresses in ") + file;
      return false;
    }
    return true;
  }
  const char* link = std::getenv("QXR7000_SIM");
  const char* control = std::getenv("QXR7000_SIM_CONTROL");
  if (link != nullptr && control != nullptr && platform::ParseLoopbackAddress(link, &addresses->link) &&
      platform::ParseLoopbackAddress(control, &addresses->control)) {
    return true;
  }
  *why = "neither QXR7000_SIM_FILE nor QXR7000_SIM and QXR7000_SIM_CONTROL are set";
  return false;
}

std::vector<std::string> SimControl(const platform::LoopbackAddress& control, const std::string& command) {
  std::vector<std::string> lines;
  platform::SocketHandle s = platform::ConnectLoopback(control);
  if (s == platform::kInvalidSocket) return {"error cannot connect to the control port"};
  std::string text = command + "\n";
  if (!platform::SendAll(s, text.data(), text.size())) {
    platform::CloseSocket(s);
    return {"error cannot send"};
  }
  std::string line;
  for (;;) {
    char c;
    if (platform::ReceiveExact(s, &c, 1, 10000) != platform::ReceiveResult::kOk) {
      lines.push_back("error no answer");
      break;
    }
    if (c != '\n') {
      line += c;
      continue;
    }
    lines.push_back(line);
    if (line.rfind("ok", 0) == 0 || line.rfind("error", 0) == 0) break;
    line.clear();
  }
  platform::CloseSocket(s);
  return lines;
}

bool SimControlOk(const platform::LoopbackAddress& control, const std::string& command) {
  std::vector<std::string> lines = SimControl(control, command);
  return !lines.empty() && lines.back().rfind("ok", 0) == 0;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  char buf[4];
  for (std::uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", b);
    text += buf;
  }
  return text;
}

}  // namespace qx::simtest
