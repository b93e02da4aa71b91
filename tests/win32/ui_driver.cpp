#include "tests/win32/ui_driver.h"

#include <vector>

namespace qx::test {

namespace {

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->windows.push_back(window);
  return TRUE;
}

std::string WindowText(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassName(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// A message box is a dialog ("#32770") whose text sits in the static control 0xFFFF.
bool IsMessageBox(HWND window, const char* caption) {
  return caption != nullptr && ClassName(window) == "#32770" && WindowText(window) == caption;
}

void AnswerOk(HWND box) {
  HWND ok = GetDlgItem(box, IDOK);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
}

}  // namespace

WatchedRun RunAndAnswerMessageBox(const std::string& commandLine, const char* boxCaption, DWORD timeoutMs) {
  WatchedRun run;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return run;
  }
  run.started = true;
  DWORD start = GetTickCount();
  for (;;) {
    WindowSearch search{process.dwProcessId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.windows) {
      if (IsMessageBox(window, boxCaption)) {
        if (!run.boxSeen) {
          char text[1024] = "";
          GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
          run.boxText = text;
          run.boxSeen = true;
        }
        AnswerOk(window);
      } else {
        run.otherWindowSeen = true;
      }
    }
    if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) {
      run.ended = true;
      break;
    }
    if (GetTickCount() - start > timeoutMs) {
      TerminateProcess(process.hProcess, 9999);
      WaitForSingleObject(process.hProcess, 5000);
      break;
    }
  }
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

std::string ProgramFolder() {
  char path[MAX_PATH] = "";
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, n);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

}  // namespace qx::test
