#include "tests/registry/console_process.h"

#include <vector>

namespace qx::test {

namespace {

// Appends whatever the pipe holds now, without blocking: false once the writer has gone.
bool DrainPipe(HANDLE pipe, std::string* text) {
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
    if (available == 0) return true;
    char buffer[4096];
    DWORD got = 0;
    DWORD want = available < sizeof buffer ? available : sizeof buffer;
    if (!ReadFile(pipe, buffer, want, &got, nullptr)) return false;
    text->append(buffer, got);
  }
}

// A pipe whose `childEnd` is inherited and whose other end is not.
bool MakePipe(HANDLE* read, HANDLE* write, bool childReads) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  if (!CreatePipe(read, write, &inherit, 0)) return false;
  SetHandleInformation(childReads ? *write : *read, HANDLE_FLAG_INHERIT, 0);
  return true;
}

HANDLE StartWithPipes(const std::string& commandLine, HANDLE input, HANDLE output, HANDLE error) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  PROCESS_INFORMATION info{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &info)) {
    return nullptr;
  }
  CloseHandle(info.hThread);
  return info.hProcess;
}

}  // namespace

ConsoleRun RunConsole(const std::string& commandLine, DWORD timeoutMs) {
  ConsoleRun run;
  HANDLE outRead, outWrite, errRead, errWrite, inRead, inWrite;
  if (!MakePipe(&outRead, &outWrite, false)) return run;
  if (!MakePipe(&errRead, &errWrite, false)) return run;
  if (!MakePipe(&inRead, &inWrite, true)) return run;
  HANDLE process = StartWithPipes(commandLine, inRead, outWrite, errWrite);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  CloseHandle(inRead);
  CloseHandle(inWrite);  // no input: the program sees the end at once
  if (process != nullptr) {
    run.started = true;
    DWORD deadline = GetTickCount() + timeoutMs;
    for (;;) {
      DrainPipe(outRead, &run.out);
      DrainPipe(errRead, &run.err);
      if (WaitForSingleObject(process, 10) == WAIT_OBJECT_0) {
        run.ended = true;
        break;
      }
      if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
        TerminateProcess(process, STILL_ACTIVE);
        WaitForSingleObject(process, INFINITE);
        break;
      }
    }
    DrainPipe(outRead, &run.out);
    DrainPipe(errRead, &run.err);
    GetExitCodeProcess(process, &run.exitCode);
    CloseHandle(process);
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  return run;
}

ConsoleProcess::~ConsoleProcess() {
  if (process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, STILL_ACTIVE);
    WaitForSingleObject(process_, INFINITE);
  }
  CloseAll();
}

void ConsoleProcess::CloseAll() {
  for (HANDLE* handle : {&process_, &input_, &output_}) {
    if (*handle != nullptr) CloseHandle(*handle);
    *handle = nullptr;
  }
}

bool ConsoleProcess::Start(const std::string& commandLine) {
  HANDLE inRead, outWrite;
  if (!MakePipe(&inRead, &input_, true)) return false;
  if (!MakePipe(&output_, &outWrite, false)) return false;
  process_ = StartWithPipes(commandLine, inRead, outWrite, outWrite);
  CloseHandle(inRead);
  CloseHandle(outWrite);
  return process_ != nullptr;
}

bool ConsoleProcess::ReadUntil(const std::string& text, DWORD timeoutMs) {
  DWORD deadline = GetTickCount() + timeoutMs;
  for (;;) {
    bool open = DrainPipe(output_, &out_);
    if (out_.find(text) != std::string::npos) return true;
    if (!open || static_cast<LONG>(GetTickCount() - deadline) > 0) return false;
    Sleep(5);
  }
}

bool ConsoleProcess::WriteLine(const std::string& line) {
  std::string text = line + "\r\n";
  DWORD written = 0;
  return WriteFile(input_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

DWORD ConsoleProcess::Wait(DWORD timeoutMs) {
  DWORD deadline = GetTickCount() + timeoutMs;
  while (WaitForSingleObject(process_, 10) == WAIT_TIMEOUT) {
    DrainPipe(output_, &out_);
    if (static_cast<LONG>(GetTickCount() - deadline) > 0) {
      TerminateProcess(process_, STILL_ACTIVE);
      WaitForSingleObject(process_, INFINITE);
      break;
    }
  }
  DrainPipe(output_, &out_);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_, &code);
  return code;
}

std::string TestProgramFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length < sizeof path ? length : 0);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

}  // namespace qx::test
