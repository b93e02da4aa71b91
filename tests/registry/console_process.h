#pragma once

#include <windows.h>

#include <string>

namespace qx::test {

// What a console program printed and how it ended.
struct ConsoleRun {
  bool started = false;
  bool ended = false;  // within the time allowed (killed otherwise)
  DWORD exitCode = 0;
  std::string out;
  std::string err;
};

// Runs `commandLine` with its standard output and error captured and no input.
ConsoleRun RunConsole(const std::string& commandLine, DWORD timeoutMs = 60000);

// A console program that keeps running while the test talks to it through its standard input and
// output. Killed by the destructor if still running.
class ConsoleProcess {
 public:
  ConsoleProcess() = default;
  ~ConsoleProcess();
  ConsoleProcess(const ConsoleProcess&) = delete;
  ConsoleProcess& operator=(const ConsoleProcess&) = delete;

  bool Start(const std::string& commandLine);
  // Reads standard output until it holds `text`: false when the program ended or the time passed.
  bool ReadUntil(const std::string& text, DWORD timeoutMs);
  bool WriteLine(const std::string& line);
  // Waits for the end: the exit code, or STILL_ACTIVE when it had to be killed.
  DWORD Wait(DWORD timeoutMs);
  const std::string& output() const { return out_; }

 private:
  void CloseAll();
  HANDLE process_ = nullptr;
  HANDLE input_ = nullptr;   // our end of its standard input
  HANDLE output_ = nullptr;  // our end of its standard output and error
  std::string out_;
};

// Folder of the running test program, with a trailing backslash.
std::string TestProgramFolder();

}  // namespace qx::test
