#pragma once

#include <windows.h>

#include <string>
#include <vector>

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

// A program started by a test; killed on destruction if it still runs.
class Program {
 public:
  explicit Program(const std::string& commandLine);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return process_.hProcess != nullptr; }
  DWORD id() const { return process_.dwProcessId; }
  HANDLE handle() const { return process_.hProcess; }
  // Waits for the end; false on time-out.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);

 private:
  PROCESS_INFORMATION process_{};
};

// The visible top-level windows of a process.
std::vector<HWND> ProcessWindows(DWORD processId);

// Waits until the process shows a visible top-level window of the class and caption (either null:
// any); null on time-out.
HWND WaitForWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs);
// Waits until the window is gone or hidden; false on time-out.
bool WaitUntilGone(HWND window, DWORD timeoutMs);

std::string WindowText(HWND window);
std::string ClassName(HWND window);
// The first child (any depth) of the class, or null.
HWND FindChild(HWND parent, const char* className);

// What a message box shows.
struct MessageBoxView {
  std::string caption;
  std::string text;
  bool icon = false;  // a visible icon beside the text
};
MessageBoxView ReadMessageBox(HWND box);
// Clicks the box's OK button (or its only button).
void AnswerOk(HWND box);

// Xvfb runs no window manager: Wine is told not to wait for one when a top-level window is hidden
// (otherwise closing each dialog costs Wine's two-second wait for the manager). Affects the prefix.
void UseWineWithoutWindowManager();

// Pumps this thread's messages for a while (the driver owns no windows, but keeps Wine's
// cross-process sends flowing).
void Pause(DWORD ms);

}  // namespace qx::test
