#include "sim/usb_descriptors.h"

#include <cstddef>
#include <cstring>

namespace qx::sim {
namespace {

// USB 2.0 chapter 9 layouts; 16-bit fields are kept as two bytes, low byte first.
#pragma pack(push, 1)
struct DeviceDescriptorRecord {
  std::uint8_t bLength, bDescriptorType, bcdUSB[2], bDeviceClass, bDeviceSubClass, bDeviceProtocol,
      bMaxPacketSize0, idVendor[2], idProduct[2], bcdDevice[2], iManufacturer, iProduct, iSerialNumber,
      bNumConfigurations;
};
struct QualifierRecord {
  std::uint8_t bLength, bDescriptorType, bcdUSB[2], bDeviceClass, bDeviceSubClass, bDeviceProtocol,
      bMaxPacketSize0, bNumConfigurations, bReserved;
};
struct ConfigurationRecord {
  std::uint8_t bLength, bDescriptorType, wTotalLength[2], bNumInterfaces, bConfigurationValue, iConfiguration,
      bmAttributes, bMaxPower;
};
struct InterfaceRecord {
  std::uint8_t bLength, bDescriptorType, bInterfaceNumber, bAlternateSetting, bNumEndpoints, bInterfaceClass,
      bInterfaceSubClass, bInterfaceProtocol, iInterface;
};
struct EndpointRecord {
  std::uint8_t bLength, bDescriptorType, bEndpointAddress, bmAttributes, wMaxPacketSize[2], bInterval;
};
struct ConfigurationSetRecord {
  ConfigurationRecord configuration;
  InterfaceRecord interfaceRecord;
  EndpointRecord endpoints[4];
};
#pragma pack(pop)

static_assert(sizeof(DeviceDescriptorRecord) == 18);
static_assert(offsetof(DeviceDescriptorRecord, bMaxPacketSize0) == 7);
static_assert(offsetof(DeviceDescriptorRecord, idVendor) == 8);
static_assert(offsetof(DeviceDescriptorRecord, bcdDevice) == 12);
static_assert(offsetof(DeviceDescriptorRecord, bNumConfigurations) == 17);
static_assert(sizeof(QualifierRecord) == 10);
static_assert(offsetof(QualifierRecord, bNumConfigurations) == 8);
static_assert(sizeof(ConfigurationRecord) == 9);
static_assert(offsetof(ConfigurationRecord, wTotalLength) == 2);
static_assert(offsetof(ConfigurationRecord, bmAttributes) == 7);
static_assert(sizeof(InterfaceRecord) == 9);
static_assert(sizeof(EndpointRecord) == 7);
static_assert(offsetof(EndpointRecord, wMaxPacketSize) == 4);
static_assert(sizeof(ConfigurationSetRecord) == kConfigurationSetSize);
static_assert(offsetof(ConfigurationSetRecord, interfaceRecord) == 9);
static_assert(offsetof(ConfigurationSetRecord, endpoints) == 18);

void Le16(std::uint8_t out[2], std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value & 0xFF);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

template <typename Record>
std::vector<std::uint8_t> Bytes(const Record& record) {
  std::vector<std::uint8_t> b(sizeof record);
  std::memcpy(b.data(), &record, sizeof record);
  return b;
}

EndpointRecord Endpoint(std::uint8_t address, std::uint8_t attributes, std::uint16_t maxPacket,
                        std::uint8_t interval) {
  EndpointRecord e{7, 0x05, address, attributes, {}, interval};
  Le16(e.wMaxPacketSize, maxPacket);
  return e;
}

}  // namespace

std::vector<std::uint8_t> DeviceDescriptor(const UsbProfile& usb) {
  if (!usb.deviceDescriptor.empty()) return usb.deviceDescriptor;
  DeviceDescriptorRecord d{18, 0x01, {}, 0x00, 0x00, 0x00, 64, {}, {}, {}, 1, 2, 3, 1};
  Le16(d.bcdUSB, 0x0200);
  Le16(d.idVendor, usb.vendorId);
  Le16(d.idProduct, usb.productId);
  Le16(d.bcdDevice, usb.bcdDevice);
  return Bytes(d);
}

std::vector<std::uint8_t> DeviceQualifier(const UsbProfile& usb) {
  if (!usb.qualifier.empty()) return usb.qualifier;
  QualifierRecord q{10, 0x06, {}, 0x00, 0x00, 0x00, 64, 1, 0};
  Le16(q.bcdUSB, 0x0200);
  return Bytes(q);
}

std::vector<std::uint8_t> ConfigurationSet(const UsbProfile& usb, bool otherSpeed) {
  const std::vector<std::uint8_t>& given = otherSpeed ? usb.otherSpeedConfigurationSet : usb.configurationSet;
  if (!given.empty()) return given;
  ConfigurationSetRecord set{};
  set.configuration = {9, static_cast<std::uint8_t>(otherSpeed ? 0x07 : 0x02), {}, 1, 1, 0,
                       usb.configAttributes, usb.maxPower};
  Le16(set.configuration.wTotalLength, kConfigurationSetSize);
  set.interfaceRecord = {9, 0x04, 0, 0, 4, 0xFF, 0x00, 0x00, 0};
  std::uint16_t bulk = otherSpeed ? 64 : 512;
  set.endpoints[0] = Endpoint(0x01, 0x02, bulk, 0);
  set.endpoints[1] = Endpoint(0x82, 0x02, bulk, 0);
  // Interrupt interval: 2^(4-1) microframes = 1 ms at high speed, one 1 ms frame at full speed.
  set.endpoints[2] = Endpoint(0x83, 0x03, 8, otherSpeed ? 1 : 4);
  set.endpoints[3] = Endpoint(0x04, 0x02, bulk, 0);
  return Bytes(set);
}

std::vector<std::uint8_t> StringDescriptor(const std::string& text) {
  std::vector<std::uint8_t> b{static_cast<std::uint8_t>(2 + 2 * text.size()), 0x03};
  for (char c : text) {
    b.push_back(static_cast<std::uint8_t>(c));
    b.push_back(0);
  }
  return b;
}

std::vector<std::uint8_t> StringDescriptors(const UsbProfile& usb) {
  if (!usb.strings.empty()) return usb.strings;
  std::vector<std::uint8_t> b{4, 0x03, static_cast<std::uint8_t>(usb.languageId & 0xFF),
                              static_cast<std::uint8_t>(usb.languageId >> 8)};
  for (const std::string* s : {&usb.manufacturer, &usb.product, &usb.serial}) {
    std::vector<std::uint8_t> d = StringDescriptor(*s);
    b.insert(b.end(), d.begin(), d.end());
  }
  return b;
}

}  // namespace qx::sim
