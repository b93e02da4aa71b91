// The driver's string descriptors are device data: any bytes must give terminated texts inside
// their fields.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "utility/port/usb_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qx::port::PortInfo info;
  std::memset(&info, 'x', sizeof info);
  info.firstDeviceString[0] = '\0';
  info.secondDeviceString[0] = '\0';
  qx::port::ParseDeviceStrings(data, size, info);
  qx::port::ParseSerialNumber(data, size, info.serialNumber, sizeof info.serialNumber);
  if (std::memchr(info.firstDeviceString, 0, sizeof info.firstDeviceString) == nullptr ||
      std::memchr(info.secondDeviceString, 0, sizeof info.secondDeviceString) == nullptr ||
      std::memchr(info.serialNumber, 0, sizeof info.serialNumber) == nullptr) {
    __builtin_trap();
  }
  return 0;
}
