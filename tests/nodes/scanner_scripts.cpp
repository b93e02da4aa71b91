#include "tests/nodes/scanner_scripts.h"

namespace qx::test {

Bytes IdentityCommand(std::uint8_t which) { return {0x1D, 'I', which}; }
Bytes AutomaticStatusCommand() { return {0x1D, 'a', 0x26}; }
Bytes VoltageCommand(std::uint8_t sensor) {
  return {0x1C, '|', 0x7F, 'o', 0x0A, 0xF5, 0x05, 0x01, 0x00, sensor};
}
Bytes ThresholdCommand(std::uint8_t k) {
  return {0x1C, '|', 0x7F, 'o', 'b', 0x9D, '1', 0x02, 0x00, k, static_cast<std::uint8_t>(255 - k)};
}
Bytes PositionCommand(std::uint8_t s) {
  return {0x1C, '|', 0x7F, 'o', 'h', 0x97, '4', 0x02, 0x00, 0x02, s};
}
Bytes CounterCommand(std::uint8_t n) { return {0x1D, 'g', '2', 0x00, n, 0x00}; }
Bytes NvCommand(char digit) {
  return {0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '#', static_cast<std::uint8_t>(digit)};
}

std::vector<Exchange> DeviceReadScript(const DeviceAnswers& a) {
  const std::string options(1, static_cast<char>(a.options));
  Bytes head = {0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, a.attributes, 0x32};
  Bytes set = head;
  // Interface and two endpoint descriptors behind the configuration descriptor.
  const Bytes rest = {0x09, 0x04, 0x00, 0x00, 0x02, 0xFF, 0x00, 0x00, 0x00,
                      0x07, 0x05, 0x81, 0x02, 0x00, 0x02, 0x00,
                      0x07, 0x05, 0x02, 0x02, 0x00, 0x02, 0x00};
  set.insert(set.end(), rest.begin(), rest.end());
  return {
      Answer(IdentityCommand(0x41), "_", a.firmware),
      Answer(IdentityCommand(0x42), "_", a.company),
      Answer(IdentityCommand(0x43), "_", a.name),
      Answer(IdentityCommand(0x44), "_", a.serial),
      Answer(IdentityCommand('p'), "_", options),
      Control(kConfigurationCode, head),
      Control(kConfigurationCode, set),
      Status(AutomaticStatusCommand(), a.status),
      Answer(IdentityCommand('!'), "=", a.typeData),
      Answer(IdentityCommand('p'), "_", options),
      Answer(IdentityCommand('p'), "_", options),
  };
}

std::vector<Exchange> ADConverterScript() {
  return {
      Answer(VoltageCommand(2), "1", "A5"),  Answer(VoltageCommand(4), "1", "3C"),
      Answer(VoltageCommand(5), "1", "0C8"), Answer(VoltageCommand(6), "1", "20"),
      Answer(VoltageCommand(7), "1", "5"),   Answer(VoltageCommand(9), "1", "3412"),
  };
}

std::vector<Exchange> ThresholdScript() {
  return {
      Answer(ThresholdCommand(10), "1", "80"),   Answer(ThresholdCommand(11), "1", "50"),
      Answer(ThresholdCommand(12), "1", "60"),   Answer(ThresholdCommand(13), "1", "40"),
      Answer(ThresholdCommand(14), "1", "10"),   Answer(ThresholdCommand(15), "1", "3412"),
      Answer(ThresholdCommand(16), "1", "7856"), Answer(ThresholdCommand(17), "1", "0A"),
      Answer(ThresholdCommand(18), "1", "0100"),
  };
}

void Append(std::vector<Exchange>* script, const std::vector<Exchange>& more) {
  script->insert(script->end(), more.begin(), more.end());
}

}  // namespace qx::test
