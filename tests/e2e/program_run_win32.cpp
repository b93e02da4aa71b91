#include <windows.h>

#include "tests/e2e/e2e_expected.h"
#include "tests/e2e/program_run.h"

namespace qx::e2e {

namespace {

constexpr DWORD kTimeoutMs = 120000;

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path, n);
  return text.substr(0, text.find_last_of("\\/") + 1);
}

HANDLE InheritableFile(const std::string& path) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string WithoutCarriageReturns(const std::string& text) {
  std::string kept;
  for (char c : text) {
    if (c != '\r') kept += c;
  }
  return kept;
}

}  // namespace

ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder) {
  const std::string outFile = folder + "\\.stdout.txt", errFile = folder + "\\.stderr.txt";
  HANDLE out = InheritableFile(outFile);
  HANDLE err = InheritableFile(errFile);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out;
  si.hStdError = err;
  std::string line = "\"";
  line += ProgramFolder();
  line += program;
  line += '"';
  for (const std::string& a : arguments) {
    line += a.find(' ') == std::string::npos && !a.empty() ? " " + a : " \"" + a + "\"";
  }
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  PROCESS_INFORMATION process{};
  const bool started =
      CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &si, &process) != 0;
  CloseHandle(out);
  CloseHandle(err);
  ProgramOutcome outcome;
  if (started) {
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, kTimeoutMs) == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &code)) {
      outcome.status = code;
    } else {
      TerminateProcess(process.hProcess, 9999);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  outcome.out = WithoutCarriageReturns(ReadWholeFile(outFile));
  outcome.err = WithoutCarriageReturns(ReadWholeFile(errFile));
  DeleteFileA(outFile.c_str());
  DeleteFileA(errFile.c_str());
  return outcome;
}

}  // namespace qx::e2e
