#include "standins/norvascan/call_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace qx::norvascan {
namespace {

std::mutex g_logMutex;
HANDLE g_logFile = INVALID_HANDLE_VALUE;
char g_logName[MAX_PATH] = {};

// The file follows the variable: a caller may name another file between runs.
HANDLE LogFile() {
  char name[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("NORVASCAN_CALL_LOG", name, sizeof name);
  if (length == 0 || length >= sizeof name) {
    name[0] = '\0';
  }
  if (std::strcmp(name, g_logName) == 0) return g_logFile;
  if (g_logFile != INVALID_HANDLE_VALUE) CloseHandle(g_logFile);
  g_logFile = INVALID_HANDLE_VALUE;
  std::strcpy(g_logName, name);
  if (name[0] != '\0') {
    g_logFile = CreateFileA(name, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  return g_logFile;
}

}  // namespace

void LogCall(const char* format, ...) {
  // A line holds a whole ScanBlock in hex (590 characters) with its call.
  char line[1024];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line, sizeof line - 2, format, args);
  va_end(args);
  if (n < 0) return;
  std::size_t length = static_cast<std::size_t>(n) < sizeof line - 2 ? static_cast<std::size_t>(n) : sizeof line - 3;
  line[length++] = '\r';
  line[length++] = '\n';
  std::lock_guard<std::mutex> lock(g_logMutex);
  HANDLE file = LogFile();
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
}

}  // namespace qx::norvascan
