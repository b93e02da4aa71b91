#pragma once

#include <cstddef>
#include <cstdint>

// Records of the System branch: fixed-size terminated 8-bit texts and little-endian numbers.
namespace qx {

#pragma pack(push, 1)

struct SystemRecord {
  char osName[64];
  char osVersion[64];
  char osLanguage[16];
  char driverVersion[64];  // version of the scanner API wrapper
  char hostController[32];
  char processor[128];
  std::int32_t processorCount;    // -1 unread
  std::int32_t memoryMegabytes;   // -1 unread
  char utilityVersion[32];
};

inline constexpr std::size_t kApiModuleSlots = 32;
inline constexpr std::size_t kPathTextSize = 260;
inline constexpr char kApiDriverInstalled = '1';
inline constexpr char kApiDriverNotInstalled = '0';

struct ApiDriverRecord {
  char installed;  // '1' installed, '0' not installed
  char installDirectory[kPathTextSize];
  char moduleNames[kApiModuleSlots][kPathTextSize];
  char moduleVersions[kApiModuleSlots][32];
};

inline constexpr std::size_t kDotNetSlots = 16;

struct DotNetFrameworkRecord {
  char versions[kDotNetSlots][64];
};

inline constexpr std::size_t kUsbDriverStackFiles = 13;

// One version per file, in the order of kUsbDriverStackFileNames.
struct UsbDriverStackRecord {
  char versions[kUsbDriverStackFiles][64];
};

#pragma pack(pop)

inline constexpr const char* kUsbDriverStackFileNames[kUsbDriverStackFiles] = {
    "qxusbxp.sys", "qxusb64.sys", "usbehci.sys",  "usbuhci.sys",  "usbohci.sys", "uhcd.sys",   "openhci.sys",
    "usbd.sys",    "usbhub.sys",  "usbhub20.sys", "usbport.sys", "usbui.dll",   "hccoin.dll"};

static_assert(sizeof(SystemRecord) == 408);
static_assert(offsetof(SystemRecord, osName) == 0);
static_assert(offsetof(SystemRecord, osVersion) == 64);
static_assert(offsetof(SystemRecord, osLanguage) == 128);
static_assert(offsetof(SystemRecord, driverVersion) == 144);
static_assert(offsetof(SystemRecord, hostController) == 208);
static_assert(offsetof(SystemRecord, processor) == 240);
static_assert(offsetof(SystemRecord, processorCount) == 368);
static_assert(offsetof(SystemRecord, memoryMegabytes) == 372);
static_assert(offsetof(SystemRecord, utilityVersion) == 376);

static_assert(sizeof(ApiDriverRecord) == 9605);
static_assert(offsetof(ApiDriverRecord, installed) == 0);
static_assert(offsetof(ApiDriverRecord, installDirectory) == 1);
static_assert(offsetof(ApiDriverRecord, moduleNames) == 261);
static_assert(offsetof(ApiDriverRecord, moduleVersions) == 8581);

static_assert(sizeof(DotNetFrameworkRecord) == 1024);
static_assert(offsetof(DotNetFrameworkRecord, versions) == 0);

static_assert(sizeof(UsbDriverStackRecord) == 832);
static_assert(offsetof(UsbDriverStackRecord, versions) == 0);

}  // namespace qx
