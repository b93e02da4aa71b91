#pragma once

#include <cstdint>

// What the utility relies on from the QXUSB driver: its device interface, the two function names
// below an interface path, and every control request with the buffer sizes the callers pass.
// All requests are buffered, device type 0x22, any access.
namespace qx::qxusb {

// {5DD901C0-BCF4-11D1-9738-008029E6A5B3}
inline constexpr char kInterfaceClassText[] = "{5DD901C0-BCF4-11D1-9738-008029E6A5B3}";
inline constexpr std::uint32_t kInterfaceClassData1 = 0x5DD901C0;
inline constexpr std::uint16_t kInterfaceClassData2 = 0xBCF4;
inline constexpr std::uint16_t kInterfaceClassData3 = 0x11D1;
inline constexpr std::uint8_t kInterfaceClassData4[8] = {0x97, 0x38, 0x00, 0x80, 0x29, 0xE6, 0xA5, 0xB3};

inline constexpr char kScannerFunctionFormat[] = "%s\\QX";
inline constexpr char kDisplayFunctionFormat[] = "%s\\KD";

enum ControlCode : std::uint32_t {
  kGetDriverVersion = 0x222000,          // out 4: major * 256 + minor (0x300 = 3.00)
  kGetDriverVersion2 = 0x222004,         // out 4: second version word, shown as the minor version
  kGetTimeouts = 0x22200C,               // out 32: read mult, read const, write mult, write const, 4 more
  kSetTimeouts = 0x222010,               // in 32
  kGetDeviceDescriptor = 0x222040,       // out 18
  kGetConfigurationDescriptor = 0x222044,  // out 9, then wTotalLength
  kGetStringDescriptors = 0x222048,      // out 512 or 1024: string descriptors, language IDs first
  kGetDeviceStatus = 0x22204C,           // out 2
  kGetDeviceQualifier = 0x222058,        // out 9
  kGetOtherSpeedConfiguration = 0x22205C,  // out 9, then wTotalLength
  kGetXbConfiguration = 0x2220C0,        // out 2 or 4: low byte with bits 0-1 cleared is 0x40
  kGetXbStatus = 0x2220C4,               // out 2 or 4: bit 0 not ready, bit 1 holding
  kSetStatusExchangeMode = 0x2220C8,     // in 2 or 4: value 2 or 0
  kGetXbString = 0x2220CC,               // out 256 or 512: interface-board string descriptor
  kGetWrittenAfterTimeout = 0x222100,    // out 4: bytes written by the last timed-out write
  kGetTimeoutMode = 0x22211C,            // out 4
  kGetHostControllerType = 0x22212C,     // out 4: 0 OHCI, 1 UHCI, 2 EHCI, 255 other
  kGetSuspendSetting = 0x22214C,         // out 4
  kDeviceCheck = 0x2221FC,               // in 4, out 4: success only
};

inline constexpr std::uint32_t kTimeoutBlockSize = 32;
inline constexpr std::uint32_t kMinimumDriverVersion = 0x300;
inline constexpr std::uint32_t kXbStatusNotReady = 0x0001;
inline constexpr std::uint32_t kXbStatusHolding = 0x0002;
inline constexpr std::uint8_t kXbConfigurationQxR7000 = 0x40;

enum HostControllerType : std::uint32_t {
  kHostControllerOhci = 0,
  kHostControllerUhci = 1,
  kHostControllerEhci = 2,
  kHostControllerOther = 255,
};

}  // namespace qx::qxusb
