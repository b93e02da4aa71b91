#include "tests/win32/ui_driver.h"

#include <vector>

namespace qx::test {

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

void AnswerOk(HWND box) {
  HWND ok = GetDlgItem(box, IDOK);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
}

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

// A message box is a dialog ("#32770") whose text sits in the static control 0xFFFF.
bool IsMessageBox(HWND window, const char* caption) {
  return caption != nullptr && ClassName(window) == "#32770" && WindowText(window) == caption;
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
    for (HWND window : ProcessWindows(process.dwProcessId)) {
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

Program::Program(const std::string& commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_)) {
    process_ = PROCESS_INFORMATION{};
  }
}

Program::~Program() {
  if (process_.hProcess == nullptr) return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.hProcess, 9999);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

bool Program::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
  if (process_.hProcess == nullptr || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process_.hProcess, exitCode);
  return true;
}

std::vector<HWND> ProcessWindows(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

void UseWineWithoutWindowManager() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                      nullptr) == ERROR_SUCCESS) {
    static const char kNo[] = "N";
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNo), sizeof kNo);
    RegCloseKey(key);
  }
}

void Pause(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

HWND WaitForWindow(DWORD processId, const char* className, const char* caption, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    for (HWND window : ProcessWindows(processId)) {
      if ((className == nullptr || ClassName(window) == className) && (caption == nullptr || WindowText(window) == caption)) {
        return window;
      }
    }
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(10);
  }
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(10);
  }
  return true;
}

namespace {

struct ChildSearch {
  const char* className;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<ChildSearch*>(context);
  if (ClassName(window) == search->className) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindVisibleIcon(HWND window, LPARAM context) {
  LONG style = GetWindowLongA(window, GWL_STYLE);
  if (ClassName(window) == "Static" && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(window) &&
      SendMessageA(window, STM_GETICON, 0, 0) != 0) {
    *reinterpret_cast<bool*>(context) = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindChild(HWND parent, const char* className) {
  ChildSearch search{className, nullptr};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

MessageBoxView ReadMessageBox(HWND box) {
  MessageBoxView view;
  view.caption = WindowText(box);
  char text[2048] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  view.text = text;
  EnumChildWindows(box, FindVisibleIcon, reinterpret_cast<LPARAM>(&view.icon));
  return view;
}

}  // namespace qx::test
