#pragma once

#include <cstdint>
#include <vector>

#include "sim/profile.h"

// The standard USB 2.0 descriptors of a simulated high-speed QX-R7000: one configuration with
// one vendor-specific interface and four endpoints (bulk out and in for the scanner function,
// interrupt in for status, bulk out for the display function).
namespace qx::sim {

inline constexpr std::size_t kConfigurationSetSize = 9 + 9 + 4 * 7;

std::vector<std::uint8_t> DeviceDescriptor(const UsbProfile& usb);
std::vector<std::uint8_t> DeviceQualifier(const UsbProfile& usb);
// The configuration set at high speed, or (otherSpeed) the same set as it would be at full speed.
std::vector<std::uint8_t> ConfigurationSet(const UsbProfile& usb, bool otherSpeed);
// Language IDs, then manufacturer, product and serial number strings, back to back.
std::vector<std::uint8_t> StringDescriptors(const UsbProfile& usb);
std::vector<std::uint8_t> StringDescriptor(const std::string& text);

}  // namespace qx::sim
