#include "platform/pc_facts.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace qx::platform {

namespace {

void CopyText(const char* text, char* buffer, std::size_t size) {
  if (size == 0) return;
  std::size_t n = strnlen(text, size - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
}

template <class Function>
Function Kernel32Function(const char* name) {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel32, name)));
}

}  // namespace

OsQuery QueryWindowsRelease(WindowsRelease* release) {
  *release = WindowsRelease{};
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return OsQuery::kFailed;
  release->platformId = info.dwPlatformId;
  release->major = info.dwMajorVersion;
  release->minor = info.dwMinorVersion;
  release->build = info.dwBuildNumber;
  CopyText(info.szCSDVersion, release->servicePack, sizeof release->servicePack);
  release->servicePackMajor = info.wServicePackMajor;
  release->servicePackMinor = info.wServicePackMinor;
  release->suiteMask = info.wSuiteMask;
  using GetProductInfoFunction = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, PDWORD);
  if (auto getProductInfo = Kernel32Function<GetProductInfoFunction>("GetProductInfo")) {
    DWORD type = 0;
    getProductInfo(info.dwMajorVersion, info.dwMinorVersion, info.wServicePackMajor, info.wServicePackMinor, &type);
    release->hasProductType = true;
    release->productType = type;
  }
  return OsQuery::kWindows;
}

bool QueryOtherSystemText(char*, std::size_t, char*, std::size_t) { return false; }

bool QueryOtherSystemProcessor(char*, std::size_t) { return false; }

int ProcessorCount() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return static_cast<int>(info.dwNumberOfProcessors);
}

std::uint32_t PhysicalMemoryMegabytes() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0xFFFFFFFFu;  // the record's "unread"
  return static_cast<std::uint32_t>(status.ullTotalPhys >> 20);
}

bool IsWow64() {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64Process = Kernel32Function<IsWow64ProcessFunction>("IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool IsWindows64Bit() { return sizeof(void*) == 8 || IsWow64(); }

bool EnableWow64FsRedirection(bool enable) {
  using EnableFunction = BOOLEAN(WINAPI*)(BOOLEAN);
  auto enableRedirection = Kernel32Function<EnableFunction>("Wow64EnableWow64FsRedirection");
  return enableRedirection != nullptr && enableRedirection(enable ? TRUE : FALSE);
}

bool WindowsDirectory(char* buffer, std::size_t size) {
  if (size == 0) return false;
  UINT n = GetWindowsDirectoryA(buffer, static_cast<UINT>(size));
  if (n > 0 && n < size) return true;
  const char* windir = std::getenv("windir");
  if (windir == nullptr || *windir == '\0') {
    buffer[0] = '\0';
    return false;
  }
  CopyText(windir, buffer, size);
  return true;
}

}  // namespace qx::platform
