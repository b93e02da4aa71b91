#include "tests/registry/reg_tool.h"

#include <sstream>

#include "tests/registry/console_process.h"

namespace qx::test {

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

RegShown RegQuery(const std::string& key, const std::string& name) {
  RegShown shown;
  ConsoleRun run = RunConsole("reg.exe query " + Quoted(key) + " /v " + Quoted(name));
  if (run.exitCode != 0) return shown;
  // A value line: four blanks, the name, the type and the data, separated by four blanks.
  std::istringstream lines(run.out);
  std::string line;
  const std::string lead = "    " + name + "    ";
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, lead.size(), lead) != 0) continue;
    std::string rest = line.substr(lead.size());
    std::size_t gap = rest.find("    ");
    shown.found = true;
    shown.type = rest.substr(0, gap);
    shown.data = gap == std::string::npos ? "" : rest.substr(gap + 4);
    break;
  }
  return shown;
}

bool RegKeyExists(const std::string& key) { return RunConsole("reg.exe query " + Quoted(key)).exitCode == 0; }

bool RegAdd(const std::string& key, const std::string& name, const std::string& type, const std::string& data) {
  return RunConsole("reg.exe add " + Quoted(key) + " /v " + Quoted(name) + " /t " + type + " /d " + Quoted(data) +
                    " /f")
             .exitCode == 0;
}

void RegDelete(const std::string& key) { RunConsole("reg.exe delete " + Quoted(key) + " /f"); }

std::string DeviceKeyLocation(const std::string& key) {
  return "HKLM\\SOFTWARE\\NORVA\\OPOS\\DriverInfo\\" + key + "\\QX-R7000";
}

std::string CommonKeyLocation(const std::string& subKey) { return "HKLM\\SOFTWARE\\NORVA\\QX-FIN2\\R7000\\" + subKey; }

}  // namespace qx::test
