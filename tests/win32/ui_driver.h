#pragma once

#include <windows.h>

#include <string>

namespace qx::test {

// What a program did while the driver watched it.
struct WatchedRun {
  bool started = false;
  bool ended = false;           // ended within the time allowed
  DWORD exitCode = 0;
  bool boxSeen = false;         // a message box with the expected caption appeared
  std::string boxText;          // its text, as the box shows it
  bool otherWindowSeen = false; // any other visible top-level window of the program
};

// Starts `commandLine` and watches the program's top-level windows until it ends. A dialog box
// captioned `boxCaption` (null: none expected) is read and answered with OK; every other visible
// window is noted. The program is killed if it runs longer than `timeoutMs`.
WatchedRun RunAndAnswerMessageBox(const std::string& commandLine, const char* boxCaption, DWORD timeoutMs);

// Folder of the running test program, with a trailing backslash.
std::string ProgramFolder();

}  // namespace qx::test
