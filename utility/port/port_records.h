#pragma once

#include <cstddef>
#include <cstdint>

// The records callers of the port library hand to it: settings, callbacks and the two kinds of
// information record. Plain packed byte layouts; texts are fixed-size and always terminated.
namespace qx::port {

inline constexpr int kPortTypeSerial = 0;
inline constexpr int kPortTypeParallel = 1;
inline constexpr int kPortTypeUsb = 2;
inline constexpr int kPortTypeEthernet = 3;

#pragma pack(push, 1)

// One record for every port kind; each SetConfig reads only its own fields.
struct PortSettings {
  std::int32_t port;          // the caller's own copy of the index; not read by the library
  std::int32_t direct;        // 1 = no worker threads; applied only while the port is closed
  std::int32_t comPort;       // 0-based
  std::int32_t baudCode;      // 0 1200, 1 2400, 2 4800, 3 9600, 5 38400, 6 57600, 7 115200, else 19200
  std::int32_t dataBits;
  std::int32_t parityCode;    // 1..4 odd, even, mark, space; else none
  std::int32_t stopBitsCode;  // 1 one and a half, 2 two; else one
  std::int32_t flowCode;      // 0..6
  std::int32_t lptPort;       // 0-based
  std::int32_t usbIndex;      // 0-based; 1000 and more mean 0
  std::int32_t usbFunction;   // 0 scanner only, 1 display only, else both
  std::uint8_t ipAddress[4];  // dotted order
  std::int32_t readTotalMultiplier;
  std::int32_t readTotalConstant;
  std::int32_t writeTotalMultiplier;
  std::int32_t writeTotalConstant;
};
static_assert(sizeof(PortSettings) == 64);
static_assert(offsetof(PortSettings, direct) == 4);
static_assert(offsetof(PortSettings, usbIndex) == 36);
static_assert(offsetof(PortSettings, usbFunction) == 40);
static_assert(offsetof(PortSettings, ipAddress) == 44);
static_assert(offsetof(PortSettings, readTotalMultiplier) == 48);
static_assert(offsetof(PortSettings, writeTotalConstant) == 60);

inline constexpr std::size_t kInfoTextSize = 256;  // 255 characters and the terminator
inline constexpr std::size_t kVersionTextSize = 16;

// What GetInfo reports for the USB and serial ports.
struct PortInfo {
  char deviceRelease[kVersionTextSize];  // "%X.%02X"
  char driverVersion[kVersionTextSize];  // "%X.%02X"
  char firstDeviceString[kInfoTextSize];
  char secondDeviceString[kInfoTextSize];
  char serialNumber[kInfoTextSize];
  std::int32_t statusFlag;
  std::int32_t linkMode;
};
static_assert(sizeof(PortInfo) == 16 + 16 + 3 * 256 + 8);
static_assert(offsetof(PortInfo, firstDeviceString) == 32);
static_assert(offsetof(PortInfo, serialNumber) == 544);
static_assert(offsetof(PortInfo, statusFlag) == 800);
static_assert(offsetof(PortInfo, linkMode) == 804);

// What GetInfo reports for the Ethernet port.
struct EthernetInfo {
  char unitName[kInfoTextSize];
  char macAddress[24];  // "%02X:%02X:%02X:%02X:%02X:%02X"
  char hardwareVersion[kVersionTextSize];
  char softwareVersion[kVersionTextSize];
  std::int32_t hardwareVersionNumber;  // major x 256 + minor
  std::int32_t softwareVersionNumber;
  std::int32_t statusFlag;
  std::int32_t interfaceKind;
  char modelClass[8];  // a three-character code
};
static_assert(sizeof(EthernetInfo) == 256 + 24 + 16 + 16 + 16 + 8);
static_assert(offsetof(EthernetInfo, macAddress) == 256);
static_assert(offsetof(EthernetInfo, hardwareVersionNumber) == 312);
static_assert(offsetof(EthernetInfo, modelClass) == 328);

#pragma pack(pop)

// Called with the port index; on-write-progress also gets tag, count done and complete (0/1);
// on-receive the bytes available. On x86-64 Windows these are the Win32 API's convention too.
using PortOpenCallback = void (*)(int index);
using PortCloseCallback = void (*)(int index);
using PortWriteProgressCallback = void (*)(int index, int tag, int count, int complete);
using PortReceiveCallback = void (*)(int index, int available);

struct PortCallbacks {
  PortOpenCallback onOpen;
  PortCloseCallback onClose;
  PortWriteProgressCallback onWriteProgress;
  PortReceiveCallback onReceive;
};

}  // namespace qx::port
