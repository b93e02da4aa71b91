#include "sim/control_requests.h"

#include <algorithm>

#include "sim/usb_descriptors.h"
#include "utility/port/qxusb_contract.h"

namespace qx::sim {
namespace {

namespace q = qx::qxusb;

std::vector<std::uint8_t> Word(std::uint32_t value, std::uint32_t size) {
  std::vector<std::uint8_t> b;
  for (std::uint32_t i = 0; i < size; ++i) b.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  return b;
}

std::uint32_t ReadLe(const std::uint8_t* p, std::uint32_t size) {
  std::uint32_t v = 0;
  for (std::uint32_t i = 0; i < size; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return v;
}

// Fixed-size answers need a buffer of at least that size; a larger one gets the same bytes.
bool Fixed(std::vector<std::uint8_t> answer, std::uint32_t outputSize, std::vector<std::uint8_t>* output) {
  if (outputSize < answer.size()) return false;
  *output = std::move(answer);
  return true;
}

// Variable-length answers (descriptor sets, string runs) fill what fits above a minimum size.
bool Partial(std::vector<std::uint8_t> answer, std::uint32_t minimum, std::uint32_t outputSize,
             std::vector<std::uint8_t>* output) {
  if (outputSize < minimum) return false;
  if (answer.size() > outputSize) answer.resize(outputSize);
  *output = std::move(answer);
  return true;
}

}  // namespace

bool AnswerControl(const DriverProfile& driver, const DeviceProfile& device, ScannerResponder* responder,
                   HandleState* handle, std::uint32_t code, const std::uint8_t* input,
                   std::uint32_t inputSize, std::uint32_t outputSize, std::vector<std::uint8_t>* output) {
  output->clear();
  switch (code) {
    case q::kGetDriverVersion: return Fixed(Word(driver.version, 4), outputSize, output);
    case q::kGetDriverVersion2: return Fixed(Word(driver.version2, 4), outputSize, output);
    case q::kGetTimeouts: {
      std::vector<std::uint8_t> b;
      for (std::uint32_t w : handle->timeouts) {
        std::vector<std::uint8_t> word = Word(w, 4);
        b.insert(b.end(), word.begin(), word.end());
      }
      return Fixed(std::move(b), outputSize, output);
    }
    case q::kSetTimeouts:
      if (inputSize != q::kTimeoutBlockSize) return false;
      for (std::uint32_t i = 0; i < 8; ++i) handle->timeouts[i] = ReadLe(input + 4 * i, 4);
      return true;
    case q::kGetDeviceDescriptor: return Fixed(DeviceDescriptor(device.usb), outputSize, output);
    case q::kGetConfigurationDescriptor: return Partial(ConfigurationSet(device.usb, false), 9, outputSize, output);
    case q::kGetStringDescriptors: return Partial(StringDescriptors(device.usb), 4, outputSize, output);
    case q::kGetDeviceStatus: return Fixed(Word(device.usb.deviceStatus, 2), outputSize, output);
    case q::kGetDeviceQualifier: return Partial(DeviceQualifier(device.usb), 9, outputSize, output);
    case q::kGetOtherSpeedConfiguration: return Partial(ConfigurationSet(device.usb, true), 9, outputSize, output);
    case q::kGetXbConfiguration:
      return Fixed(Word(device.xb.configuration, outputSize >= 4 ? 4 : 2), outputSize, output);
    case q::kGetXbStatus:
      return Fixed(Word(device.xb.status, outputSize >= 4 ? 4 : 2), outputSize, output);
    case q::kSetStatusExchangeMode: {
      if (inputSize != 2 && inputSize != 4) return false;
      std::uint32_t mode = ReadLe(input, inputSize);
      if (mode != 0 && mode != 2) return false;
      responder->SetStatusExchangeMode(mode);
      return true;
    }
    case q::kGetXbString:
      return Partial(device.xb.descriptor.empty() ? StringDescriptor(device.xb.text) : device.xb.descriptor, 2,
                     outputSize, output);
    case q::kGetWrittenAfterTimeout: return Fixed(Word(handle->writtenAfterTimeout, 4), outputSize, output);
    case q::kGetTimeoutMode: return Fixed(Word(driver.timeoutMode, 4), outputSize, output);
    case q::kGetHostControllerType: return Fixed(Word(driver.hostController, 4), outputSize, output);
    case q::kGetSuspendSetting: return Fixed(Word(driver.suspend, 4), outputSize, output);
    case q::kDeviceCheck:
      if (inputSize != 4) return false;
      return Fixed(Word(0, 4), outputSize, output);
    default:
      return false;
  }
}

}  // namespace qx::sim
