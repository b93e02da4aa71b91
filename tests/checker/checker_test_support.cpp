#include "tests/checker/checker_test_support.h"

#include <cstdio>
#include <fstream>

namespace qx::checkertest {

bool PrepareSimulator(simtest::SimAddresses* sim, const std::string& profile, std::string* why) {
  if (!simtest::FindRunningSim(sim, why)) return false;
  char link[32];
  const std::uint8_t* a = sim->link.ipv4;
  std::snprintf(link, sizeof link, "%u.%u.%u.%u:%u", a[0], a[1], a[2], a[3], sim->link.port);
  SetEnvironmentVariableA("QXR7000_SIM", link);
  if (!simtest::SimControlOk(sim->control, "profile " + profile) || !simtest::SimControlOk(sim->control, "clear-log")) {
    *why = "the simulator refused the profile " + profile;
    return false;
  }
  return true;
}

bool Api(const simtest::SimAddresses& sim, const std::string& setting) {
  return simtest::SimControlOk(sim.control, "api " + setting);
}

CallLog::CallLog() {
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  char name[MAX_PATH];
  GetTempFileNameA(folder, "nsc", 0, name);
  path_ = name;
  DeleteFileA(path_.c_str());
  SetEnvironmentVariableA("NORVASCAN_CALL_LOG", path_.c_str());
}

CallLog::~CallLog() {
  SetEnvironmentVariableA("NORVASCAN_CALL_LOG", nullptr);
  DeleteFileA(path_.c_str());
}

std::vector<std::string> CallLog::Lines() const {
  std::vector<std::string> lines;
  std::ifstream in(path_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> CallLog::Calls() const {
  std::vector<std::string> calls;
  for (const std::string& line : Lines()) {
    if (line.rfind("callback ", 0) != 0) calls.push_back(line);
  }
  return calls;
}

std::vector<std::string> CallLog::Names() const {
  std::vector<std::string> names;
  for (const std::string& line : Calls()) names.push_back(line.substr(0, line.find_first_of("( ")));
  return names;
}

std::size_t CallLog::Count(const std::string& prefix) const {
  std::size_t n = 0;
  for (const std::string& line : Lines()) n += line.rfind(prefix, 0) == 0 ? 1 : 0;
  return n;
}

BoxWatcher::BoxWatcher() : thread_([this] { Watch(); }) {}

BoxWatcher::~BoxWatcher() {
  stop_ = true;
  thread_.join();
}

std::vector<BoxWatcher::Box> BoxWatcher::Boxes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

BOOL CALLBACK BoxWatcher::Visit(HWND window, LPARAM self) {
  auto* watcher = reinterpret_cast<BoxWatcher*>(self);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t cls[32] = {};
  GetClassNameW(window, cls, 32);
  if (process != GetCurrentProcessId() || std::wstring(cls) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  std::lock_guard<std::mutex> lock(watcher->mutex_);
  for (HWND seen : watcher->answered_) {
    if (seen == window) return TRUE;
  }
  Box box;
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  box.caption = text;
  text[0] = L'\0';
  GetDlgItemTextW(window, 0xFFFF, text, 1024);
  box.text = text;
  watcher->boxes_.push_back(box);
  watcher->answered_.push_back(window);
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
  return TRUE;
}

void BoxWatcher::Watch() {
  while (!stop_) {
    EnumWindows(&BoxWatcher::Visit, reinterpret_cast<LPARAM>(this));
    Sleep(20);
  }
}

}  // namespace qx::checkertest
