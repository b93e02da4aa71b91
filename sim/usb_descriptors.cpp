#include "sim/usb_descriptors.h"

namespace qx::sim {
namespace {

void Put16(std::vector<std::uint8_t>* b, std::uint16_t v) {
  b->push_back(static_cast<std::uint8_t>(v & 0xFF));
  b->push_back(static_cast<std::uint8_t>(v >> 8));
}

void Endpoint(std::vector<std::uint8_t>* b, std::uint8_t address, std::uint8_t attributes,
              std::uint16_t maxPacket, std::uint8_t interval) {
  b->insert(b->end(), {7, 0x05, address, attributes});
  Put16(b, maxPacket);
  b->push_back(interval);
}

}  // namespace

std::vector<std::uint8_t> DeviceDescriptor(const UsbProfile& usb) {
  std::vector<std::uint8_t> b{18, 0x01};
  Put16(&b, 0x0200);
  b.insert(b.end(), {0x00, 0x00, 0x00, 64});
  Put16(&b, usb.vendorId);
  Put16(&b, usb.productId);
  Put16(&b, usb.bcdDevice);
  b.insert(b.end(), {1, 2, 3, 1});
  return b;
}

std::vector<std::uint8_t> DeviceQualifier(const UsbProfile&) {
  std::vector<std::uint8_t> b{10, 0x06};
  Put16(&b, 0x0200);
  b.insert(b.end(), {0x00, 0x00, 0x00, 64, 1, 0});
  return b;
}

std::vector<std::uint8_t> ConfigurationSet(const UsbProfile& usb, bool otherSpeed) {
  std::vector<std::uint8_t> b{9, static_cast<std::uint8_t>(otherSpeed ? 0x07 : 0x02)};
  Put16(&b, kConfigurationSetSize);
  b.insert(b.end(), {1, 1, 0, usb.configAttributes, usb.maxPower});
  b.insert(b.end(), {9, 0x04, 0, 0, 4, 0xFF, 0x00, 0x00, 0});
  std::uint16_t bulk = otherSpeed ? 64 : 512;
  Endpoint(&b, 0x01, 0x02, bulk, 0);
  Endpoint(&b, 0x82, 0x02, bulk, 0);
  // Interrupt interval: 2^(4-1) microframes = 1 ms at high speed, 1 ms frames at full speed.
  Endpoint(&b, 0x83, 0x03, 8, otherSpeed ? 1 : 4);
  Endpoint(&b, 0x04, 0x02, bulk, 0);
  return b;
}

std::vector<std::uint8_t> StringDescriptor(const std::string& text) {
  std::vector<std::uint8_t> b{static_cast<std::uint8_t>(2 + 2 * text.size()), 0x03};
  for (char c : text) Put16(&b, static_cast<std::uint8_t>(c));
  return b;
}

std::vector<std::uint8_t> StringDescriptors(const UsbProfile& usb) {
  std::vector<std::uint8_t> b{4, 0x03};
  Put16(&b, usb.languageId);
  for (const std::string* s : {&usb.manufacturer, &usb.product, &usb.serial}) {
    std::vector<std::uint8_t> d = StringDescriptor(*s);
    b.insert(b.end(), d.begin(), d.end());
  }
  return b;
}

}  // namespace qx::sim
