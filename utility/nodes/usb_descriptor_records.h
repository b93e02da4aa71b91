#pragma once

#include <cstddef>
#include <cstdint>

// Records of the USB standard request nodes: the raw bytes the driver returns, in USB order
// (16-bit fields low byte first, kept as byte pairs).
namespace qx {

#pragma pack(push, 1)

struct DeviceDescriptorRecord {
  std::uint8_t bLength;
  std::uint8_t bDescriptorType;
  std::uint8_t bcdUSB[2];
  std::uint8_t bDeviceClass;
  std::uint8_t bDeviceSubClass;
  std::uint8_t bDeviceProtocol;
  std::uint8_t bMaxPacketSize0;
  std::uint8_t idVendor[2];
  std::uint8_t idProduct[2];
  std::uint8_t bcdDevice[2];
  std::uint8_t iManufacturer;
  std::uint8_t iProduct;
  std::uint8_t iSerialNumber;
  std::uint8_t bNumConfigurations;
};

// Configuration and other-speed configuration descriptor.
struct ConfigurationDescriptorRecord {
  std::uint8_t bLength;
  std::uint8_t bDescriptorType;
  std::uint8_t wTotalLength[2];
  std::uint8_t bNumInterfaces;
  std::uint8_t bConfigurationValue;
  std::uint8_t iConfiguration;
  std::uint8_t bmAttributes;
  std::uint8_t bMaxPower;  // units of 2 mA
};

struct InterfaceDescriptorRecord {
  std::uint8_t bLength;
  std::uint8_t bDescriptorType;
  std::uint8_t bInterfaceNumber;
  std::uint8_t bAlternateSetting;
  std::uint8_t bNumEndpoints;
  std::uint8_t bInterfaceClass;
  std::uint8_t bInterfaceSubClass;
  std::uint8_t bInterfaceProtocol;
  std::uint8_t iInterface;
};

struct EndpointDescriptorEntry {
  std::uint8_t bLength;
  std::uint8_t bDescriptorType;
  std::uint8_t bEndpointAddress;
  std::uint8_t bmAttributes;
  std::uint8_t wMaxPacketSize[2];
  std::uint8_t bInterval;
};

inline constexpr std::size_t kEndpointEntries = 4;

struct EndpointDescriptorRecord {
  EndpointDescriptorEntry entries[kEndpointEntries];
};

inline constexpr std::size_t kStringDescriptorRecordSize = 512;

// String descriptors one after another, the language-ID descriptor first.
struct StringDescriptorRecord {
  std::uint8_t bytes[kStringDescriptorRecordSize];
};

// Bytes 0-8 of the device qualifier descriptor (its reserved byte is not kept).
struct DeviceQualifierRecord {
  std::uint8_t bLength;
  std::uint8_t bDescriptorType;
  std::uint8_t bcdUSB[2];
  std::uint8_t bDeviceClass;
  std::uint8_t bDeviceSubClass;
  std::uint8_t bDeviceProtocol;
  std::uint8_t bMaxPacketSize0;
  std::uint8_t bNumConfigurations;
};

// The GET_STATUS word, 0xFFFF while unread.
struct DeviceStatusRecord {
  std::uint8_t status[2];
};

#pragma pack(pop)

static_assert(sizeof(DeviceDescriptorRecord) == 18);
static_assert(offsetof(DeviceDescriptorRecord, bLength) == 0);
static_assert(offsetof(DeviceDescriptorRecord, bDescriptorType) == 1);
static_assert(offsetof(DeviceDescriptorRecord, bcdUSB) == 2);
static_assert(offsetof(DeviceDescriptorRecord, bDeviceClass) == 4);
static_assert(offsetof(DeviceDescriptorRecord, bDeviceSubClass) == 5);
static_assert(offsetof(DeviceDescriptorRecord, bDeviceProtocol) == 6);
static_assert(offsetof(DeviceDescriptorRecord, bMaxPacketSize0) == 7);
static_assert(offsetof(DeviceDescriptorRecord, idVendor) == 8);
static_assert(offsetof(DeviceDescriptorRecord, idProduct) == 10);
static_assert(offsetof(DeviceDescriptorRecord, bcdDevice) == 12);
static_assert(offsetof(DeviceDescriptorRecord, iManufacturer) == 14);
static_assert(offsetof(DeviceDescriptorRecord, iProduct) == 15);
static_assert(offsetof(DeviceDescriptorRecord, iSerialNumber) == 16);
static_assert(offsetof(DeviceDescriptorRecord, bNumConfigurations) == 17);

static_assert(sizeof(ConfigurationDescriptorRecord) == 9);
static_assert(offsetof(ConfigurationDescriptorRecord, bLength) == 0);
static_assert(offsetof(ConfigurationDescriptorRecord, bDescriptorType) == 1);
static_assert(offsetof(ConfigurationDescriptorRecord, wTotalLength) == 2);
static_assert(offsetof(ConfigurationDescriptorRecord, bNumInterfaces) == 4);
static_assert(offsetof(ConfigurationDescriptorRecord, bConfigurationValue) == 5);
static_assert(offsetof(ConfigurationDescriptorRecord, iConfiguration) == 6);
static_assert(offsetof(ConfigurationDescriptorRecord, bmAttributes) == 7);
static_assert(offsetof(ConfigurationDescriptorRecord, bMaxPower) == 8);

static_assert(sizeof(InterfaceDescriptorRecord) == 9);
static_assert(offsetof(InterfaceDescriptorRecord, bLength) == 0);
static_assert(offsetof(InterfaceDescriptorRecord, bDescriptorType) == 1);
static_assert(offsetof(InterfaceDescriptorRecord, bInterfaceNumber) == 2);
static_assert(offsetof(InterfaceDescriptorRecord, bAlternateSetting) == 3);
static_assert(offsetof(InterfaceDescriptorRecord, bNumEndpoints) == 4);
static_assert(offsetof(InterfaceDescriptorRecord, bInterfaceClass) == 5);
static_assert(offsetof(InterfaceDescriptorRecord, bInterfaceSubClass) == 6);
static_assert(offsetof(InterfaceDescriptorRecord, bInterfaceProtocol) == 7);
static_assert(offsetof(InterfaceDescriptorRecord, iInterface) == 8);

static_assert(sizeof(EndpointDescriptorEntry) == 7);
static_assert(offsetof(EndpointDescriptorEntry, bLength) == 0);
static_assert(offsetof(EndpointDescriptorEntry, bDescriptorType) == 1);
static_assert(offsetof(EndpointDescriptorEntry, bEndpointAddress) == 2);
static_assert(offsetof(EndpointDescriptorEntry, bmAttributes) == 3);
static_assert(offsetof(EndpointDescriptorEntry, wMaxPacketSize) == 4);
static_assert(offsetof(EndpointDescriptorEntry, bInterval) == 6);
static_assert(sizeof(EndpointDescriptorRecord) == 28);
static_assert(offsetof(EndpointDescriptorRecord, entries) == 0);

static_assert(sizeof(StringDescriptorRecord) == 512);
static_assert(offsetof(StringDescriptorRecord, bytes) == 0);

static_assert(sizeof(DeviceQualifierRecord) == 9);
static_assert(offsetof(DeviceQualifierRecord, bLength) == 0);
static_assert(offsetof(DeviceQualifierRecord, bDescriptorType) == 1);
static_assert(offsetof(DeviceQualifierRecord, bcdUSB) == 2);
static_assert(offsetof(DeviceQualifierRecord, bDeviceClass) == 4);
static_assert(offsetof(DeviceQualifierRecord, bDeviceSubClass) == 5);
static_assert(offsetof(DeviceQualifierRecord, bDeviceProtocol) == 6);
static_assert(offsetof(DeviceQualifierRecord, bMaxPacketSize0) == 7);
static_assert(offsetof(DeviceQualifierRecord, bNumConfigurations) == 8);

static_assert(sizeof(DeviceStatusRecord) == 2);
static_assert(offsetof(DeviceStatusRecord, status) == 0);

}  // namespace qx
