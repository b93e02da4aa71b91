#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/api_profile.h"
#include "sim/fault.h"

// Everything the simulated driver and scanners answer, as loaded from a profile file. Field
// defaults are neutral; the shipped profiles spell every value out.
namespace qx::sim {

enum class Presence { kPresent, kBusy, kAbsent };

// What sits behind the scanner function: the QX-R7000 itself, or a plain byte device for
// streaming tests (echo sends back what it gets, sink swallows it).
enum class DeviceKind { kScanner, kEcho, kSink };

struct DriverProfile {
  std::uint32_t version = 0x0300;   // major * 256 + minor
  std::uint32_t version2 = 0;
  std::uint32_t hostController = 2;  // 0 OHCI, 1 UHCI, 2 EHCI, 255 other
  std::uint32_t timeoutMode = 0;
  std::uint32_t suspend = 0;
};

struct UsbProfile {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t bcdDevice = 0;
  std::uint8_t configAttributes = 0x80;  // bmAttributes: d7 always, d6 self power, d5 wake-up
  std::uint8_t maxPower = 0;             // in 2 mA units
  std::uint16_t deviceStatus = 0;        // GET_STATUS word: bit 0 self power, bit 1 wake-up
  std::uint16_t languageId = 0x0409;
  std::string manufacturer, product, serial;
};

struct XbProfile {
  std::uint16_t configuration = 0x0040;  // type 0x40 in the low byte's bits 2-7
  std::uint32_t status = 0;              // bit 0 not ready, bit 1 holding
  std::string text;                      // the interface board's string descriptor text
};

struct SpecialModeProfile {
  bool active = false;           // identity request answered "1" "o" NUL
  bool switchOn = false;         // DIP SW1: bit 0 of the mode reply's second byte
  bool counterAnswered = false;  // the scan counter request still gets a reply
};

struct ErrorCauseProfile {
  std::array<std::uint8_t, 4> status{};    // s0..s3 for DLE DC4 7 1
  std::array<std::uint8_t, 5> detail{};    // r2..r6 of the "7" "#" reply to DLE DC4 7 4
  bool detailAnswered = true;
};

struct Threshold {
  bool answered = false;
  std::uint16_t value = 0;
};

struct ScannerProfile {
  std::string firmware, company, deviceName, serial, original;
  std::uint8_t modelId = 0x20;  // single-byte answer to the model identity request
  std::uint8_t optionByte = 0x40;  // GS I 'p': bits 1-2 speed, bit 4 waterfall, bit 5 one pocket
  bool multiFeed = false;          // GS I '!': bit 3 of the third data byte
  bool bootMode = false;           // boot mode: the mode request (…0x1E) gets no reply
  char calibrationFlag = '0';
  std::array<std::uint8_t, 4> automaticStatus{0x10, 0x00, 0x00, 0x00};
  // AD converter readings for x = 2, 4, 5, 6, 7, 9.
  std::array<std::uint16_t, 6> adConverter{};
  std::array<bool, 3> positionOut{};  // hopper, stamp, separation plate out of home position
  // Thresholds k = 10..18 (index k - 10).
  std::array<Threshold, 9> thresholds{};
  // Maintenance counters by number n (0..255); empty text and not answered by default.
  std::array<std::string, 256> counters{};
  std::array<bool, 256> counterAnswered{};
  std::array<std::string, 9> nv{};
  std::string errorHistory;          // the entry list as the scanner sends it
  std::uint32_t errorHistoryBlock = 32;  // characters per block
  std::vector<std::uint8_t> calibration;  // the calibration memory, 0x0CD4 bytes
  std::uint32_t calibrationBlock = 128;   // values per calibration block
  SpecialModeProfile specialMode;
  ErrorCauseProfile errorCause;
};

inline constexpr std::size_t kCalibrationMemorySize = 0x0CD4;

struct DeviceProfile {
  Presence presence = Presence::kPresent;
  DeviceKind kind = DeviceKind::kScanner;
  bool displayFunction = true;
  std::string path;  // device interface path, without function suffix
  UsbProfile usb;
  XbProfile xb;
  ScannerProfile scanner;
  ApiProfile api;  // the scanner as the scanner API library sees it
  std::vector<FaultSpec> faults;
};

struct Profile {
  std::string name;
  DriverProfile driver;
  std::vector<DeviceProfile> devices;
};

// Parses a profile. A profile may name a "base" profile file (relative to `directory`) whose
// JSON it patches, and a "device" template that every entry of "devices" patches. False with
// a message naming the offending field when the text is not a valid profile.
bool ParseProfile(const std::string& json, const std::string& directory, Profile* profile,
                  std::string* error);
bool LoadProfileFile(const std::string& path, Profile* profile, std::string* error);

}  // namespace qx::sim
