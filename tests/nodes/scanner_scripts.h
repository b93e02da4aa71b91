#pragma once

#include <string>
#include <vector>

#include "tests/nodes/scripted_scanner.h"

// The dialogue of a two-pocket QX-R7000 with franker, for the reads that several node tests run
// (the device read also runs inside the sensor and counter reads). Commands are written out
// byte for byte as the scanner expects them.
namespace qx::test {

// Commands, byte for byte.
Bytes IdentityCommand(std::uint8_t which);     // GS 'I' which
Bytes AutomaticStatusCommand();                // GS 'a' 0x26
Bytes VoltageCommand(std::uint8_t sensor);     // FS '|' 0x7F 'o' 0x0A 0xF5 0x05 0x01 0x00 x
Bytes ThresholdCommand(std::uint8_t k);        // FS '|' 0x7F 'o' 'b' 0x9D '1' 0x02 0x00 k 255-k
Bytes PositionCommand(std::uint8_t s);         // FS '|' 0x7F 'o' 'h' 0x97 '4' 0x02 0x00 0x02 s
Bytes CounterCommand(std::uint8_t n);          // GS 'g' '2' 0x00 n 0x00
Bytes NvCommand(char digit);                   // GS '(' 'C' 0x05 0x00 0x00 0x02 0x80 '#' d

inline constexpr std::uint32_t kConfigurationCode = 0x222044;

struct DeviceAnswers {
  std::string firmware = "1.03A";
  std::string company = "NORVA";
  std::string name = "QX-R7000";
  std::string serial = "R7K0012345";
  std::uint8_t options = 0x16;        // speed 'D', waterfall supported, two pockets
  std::uint8_t attributes = 0xA0;     // bmAttributes: remote wake-up
  Bytes status = {0x10, 0x00, 0x0A, 0x20};  // franker installed, ASF paper present, waiting
  std::string typeData = "008";       // fourth byte bit 3: multi feed
};

// CDeviceNode::Read, every step answered.
std::vector<Exchange> DeviceReadScript(const DeviceAnswers& answers = {});

// CADConverterNode::ReadExtended: voltage A5, paper length 3C, middle C8, franking 20, eject 5,
// double-feed 3412.
std::vector<Exchange> ADConverterScript();

// CThresholdValueNode::ReadExtended: ASF 80, paper length 50, middle 60, franking 40, eject 10,
// double-feed 3412 and 7856, CIS 0A, SPI 0100.
std::vector<Exchange> ThresholdScript();

void Append(std::vector<Exchange>* script, const std::vector<Exchange>& more);

}  // namespace qx::test
