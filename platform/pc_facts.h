#pragma once

#include <cstddef>
#include <cstdint>

// Facts about the PC for the System branch: the running operating system, processor, memory,
// WOW64 and the Windows folder. Windows answers from its own services; another system answers
// what it can of itself and leaves the Windows-only facts out.
namespace qx::platform {

// The running Windows as GetVersionExA reports it with the extended version structure, and the
// product type from GetProductInfo when kernel32 has that function.
struct WindowsRelease {
  std::uint32_t platformId;  // 2 for the NT family
  std::uint32_t major;
  std::uint32_t minor;
  std::uint32_t build;
  char servicePack[128];  // always terminated
  std::uint16_t servicePackMajor;
  std::uint16_t servicePackMinor;
  std::uint16_t suiteMask;
  bool hasProductType;
  std::uint32_t productType;
};

enum class OsQuery {
  kWindows,      // *release is filled
  kFailed,       // GetVersionExA failed
  kOtherSystem,  // not Windows: ask QueryOtherSystemText
};

OsQuery QueryWindowsRelease(WindowsRelease* release);

// A system other than Windows names itself: name and version from /etc/os-release and uname,
// copied bounded and terminated. False on Windows.
bool QueryOtherSystemText(char* name, std::size_t nameSize, char* version, std::size_t versionSize);

// A system other than Windows describes its processor (the model name of /proc/cpuinfo, else the
// machine type). False on Windows, where the registry describes it.
bool QueryOtherSystemProcessor(char* text, std::size_t size);

// Number of processors (GetSystemInfo on Windows).
int ProcessorCount();

// Total physical memory in MB. On Windows GlobalMemoryStatusEx: GlobalMemoryStatus caps what it
// tells a 32-bit program at 2 GB (and overflows beyond 4 GB), a plainly wrong capacity on most PCs.
std::uint32_t PhysicalMemoryMegabytes();

// True when this is a 32-bit process on 64-bit Windows (IsWow64Process, looked up at run time):
// its view of the system folders is redirected.
bool IsWow64();

// True on 64-bit Windows, whether this process is a 64-bit one or runs under WOW64.
bool IsWindows64Bit();

// Wow64EnableWow64FsRedirection (looked up at run time): true when done. Elsewhere there is
// nothing to switch and it succeeds.
bool EnableWow64FsRedirection(bool enable);

// The Windows folder (GetWindowsDirectoryA, else the environment variable "windir"), bounded and
// terminated. False when there is none, as on a system that is not Windows.
bool WindowsDirectory(char* buffer, std::size_t size);

}  // namespace qx::platform
