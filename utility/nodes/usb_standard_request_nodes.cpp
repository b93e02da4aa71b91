#include "utility/nodes/usb_standard_request_nodes.h"

#include <cstring>
#include <string>

#include "utility/nodes/driver_requests.h"
#include "utility/nodes/value_format.h"
#include "utility/port/qxusb_contract.h"

namespace qx {

namespace {

bool AllZero(const void* bytes, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  for (std::size_t i = 0; i < size; ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}

int Le16(const std::uint8_t (&pair)[2]) { return pair[0] | (pair[1] << 8); }

// Formats a value only when the record was read; an unread record keeps its labels.
class RowWriter {
 public:
  explicit RowWriter(bool read) : read_(read) {}
  void Decimal(const char* item, int value) { Add(item, read_ ? FormatValue("%d", value) : std::string()); }
  void Hex4(const char* item, int value) { Add(item, read_ ? FormatValue("%04XH", value) : std::string()); }
  void Add(std::string item, std::string value) { rows_.push_back({std::move(item), std::move(value)}); }
  RowList Take() { return std::move(rows_); }

 private:
  bool read_;
  RowList rows_;
};

RowList ConfigurationRows(const ConfigurationDescriptorRecord& r) {
  const bool read = !AllZero(&r, sizeof r);
  RowWriter rows(read);
  rows.Decimal("bLength", r.bLength);
  rows.Decimal("bDescriptorType", r.bDescriptorType);
  rows.Decimal("wTotalLength", Le16(r.wTotalLength));
  rows.Decimal("bNumInterfaces", r.bNumInterfaces);
  rows.Decimal("bConfigurationValue", r.bConfigurationValue);
  rows.Decimal("iConfiguration", r.iConfiguration);
  if (!read) {
    rows.Add("bmAttributes", "");
    rows.Add("MaxPower", "");
    return rows.Take();
  }
  rows.Add("bmAttributes", FormatValue("%08X", r.bmAttributes));
  rows.Add("bmAttributes", (r.bmAttributes & 0x40) != 0 ? "d6:SelfPower" : "d7:BusPower");
  if ((r.bmAttributes & 0x20) != 0) rows.Add("bmAttributes", "d5:RemoteWakeUp");
  rows.Add("MaxPower", FormatValue("%0d mA", r.bMaxPower * 2));
  return rows.Take();
}

RowList InterfaceRows(const InterfaceDescriptorRecord& r) {
  RowWriter rows(!AllZero(&r, sizeof r));
  rows.Decimal("bLength", r.bLength);
  rows.Decimal("bDescriptorType", r.bDescriptorType);
  rows.Decimal("bInterfaceNumber", r.bInterfaceNumber);
  rows.Decimal("bAlternateSetting", r.bAlternateSetting);
  rows.Decimal("bNumEndpoints", r.bNumEndpoints);
  rows.Decimal("bInterfaceClass", r.bInterfaceClass);
  rows.Decimal("bInterfaceSubClass", r.bInterfaceSubClass);
  rows.Decimal("bInterfaceProtocol", r.bInterfaceProtocol);
  rows.Decimal("iInterface", r.iInterface);
  return rows.Take();
}

const char* TransferTypeText(int attributes) {
  switch (attributes & 3) {
    case 0: return "d0-1: Control";
    case 1: return "d0-1: Isochronous";
    case 2: return "d0-1: Bulk";
    default: return "d0-1: Interrupt";
  }
}

// Only the first entry decides whether the record was read; then all four are listed, zero or not.
RowList EndpointRows(const EndpointDescriptorRecord& r) {
  if (AllZero(&r.entries[0], sizeof r.entries[0])) {
    RowWriter rows(false);
    for (const char* item : {"bLength", "bDescriptorType", "bEndpointAddress", "bEndpointAddress", "bmAttributes",
                             "bmAttributes", "wMaxPacketSize", "bInterval"}) {
      rows.Add(item, "");
    }
    return rows.Take();
  }
  RowWriter rows(true);
  for (const EndpointDescriptorEntry& e : r.entries) {
    rows.Decimal("bLength", e.bLength);
    rows.Decimal("bDescriptorType", e.bDescriptorType);
    rows.Add("bEndpointAddress", FormatValue("EP:%d", e.bEndpointAddress & 0x0F));
    rows.Add("bEndpointAddress", (e.bEndpointAddress & 0x80) != 0 ? "d7:IN" : "d7:OUT");
    rows.Decimal("bmAttributes", e.bmAttributes);
    rows.Add("bmAttributes", TransferTypeText(e.bmAttributes));
    rows.Decimal("wMaxPacketSize", Le16(e.wMaxPacketSize));
    rows.Decimal("bInterval", e.bInterval);
    rows.Add("", "");
  }
  return rows.Take();
}

// The language-ID descriptor, then up to three string descriptors behind it. Every byte looked
// at lies inside the record: a descriptor whose two header bytes do not fit ends the walk, and a
// string is cut at the record's end.
RowList StringRows(const StringDescriptorRecord& r) {
  const std::uint8_t* bytes = r.bytes;
  const std::size_t size = sizeof r.bytes;
  const bool read = !AllZero(bytes, size);
  RowWriter rows(read);
  if (!read) {
    rows.Add("bLength", "");
    rows.Add("bDescriptor", "");
    return rows.Take();
  }
  rows.Decimal("bLength", bytes[0]);
  rows.Decimal("bDescriptor", bytes[1]);
  // bLength is at most 255, so the language IDs always lie inside the record.
  for (int i = 0; i + 2 < bytes[0]; ++i) {
    rows.Add(FormatValue("wLANGID[%d]", i), FormatValue("%d", static_cast<std::int8_t>(bytes[2 + i])));
  }
  std::size_t offset = bytes[0];
  for (int n = 0; n < 3 && offset + 2 <= size; ++n) {
    const int length = bytes[offset];
    rows.Add("", "");
    rows.Decimal("bLength", length);
    rows.Decimal("bDescriptorType", bytes[offset + 1]);
    // Low bytes of the UTF-16 units as an 8-bit text, which a zero byte ends.
    std::string text;
    for (int c = 0; c < length / 2 - 1; ++c) {
      const std::size_t at = offset + 2 + 2 * static_cast<std::size_t>(c);
      if (at >= size || bytes[at] == 0) break;
      text.push_back(static_cast<char>(bytes[at]));
    }
    rows.Add("bString", FormatValue("%s", text.c_str()));
    if (length == 0) break;
    offset += length;
  }
  return rows.Take();
}

// Where the interface and the endpoints lie in a configuration set.
constexpr std::uint32_t kInterfaceOffset = 9;
constexpr std::uint32_t kEndpointsOffset = 18;

int ReadStraight(int port, std::uint32_t code, void* record, std::uint32_t size) {
  return QueryDriver(port, code, record, size, nullptr);
}

}  // namespace

void CDeviceDescriptorNode::Reset() { std::memset(&record_, 0, sizeof record_); }

RowList CDeviceDescriptorNode::GetExtendedRows() {
  const DeviceDescriptorRecord& r = record_;
  RowWriter rows(!AllZero(&r, sizeof r));
  rows.Decimal("bLength", r.bLength);
  rows.Decimal("bDescriptorType", r.bDescriptorType);
  rows.Hex4("bcdUSB", Le16(r.bcdUSB));
  rows.Decimal("bDeviceClass", r.bDeviceClass);
  rows.Decimal("bDeviceSubClass", r.bDeviceSubClass);
  rows.Decimal("bDeviceProtocol", r.bDeviceProtocol);
  rows.Decimal("bMaxPacketSize0", r.bMaxPacketSize0);
  rows.Hex4("idVendor", Le16(r.idVendor));
  rows.Hex4("idProduct", Le16(r.idProduct));
  rows.Hex4("bcdDevice", Le16(r.bcdDevice));
  rows.Decimal("iManufacturer", r.iManufacturer);
  rows.Decimal("iProduct", r.iProduct);
  rows.Decimal("iSerialNumber", r.iSerialNumber);
  rows.Decimal("bNumConfigurations", r.bNumConfigurations);
  return rows.Take();
}

int CDeviceDescriptorNode::ReadExtended() {
  return ReadStraight(PortIndex(), qxusb::kGetDeviceDescriptor, &record_, sizeof record_);
}

void CConfigurationDescriptorNode::Reset() { std::memset(&record_, 0, sizeof record_); }

RowList CConfigurationDescriptorNode::GetExtendedRows() { return ConfigurationRows(record_); }

int CConfigurationDescriptorNode::ReadExtended() {
  return ReadConfigurationSet(PortIndex(), qxusb::kGetConfigurationDescriptor, 0, &record_, sizeof record_);
}

void CInterfaceDescriptorNode::Reset() { std::memset(&record_, 0, sizeof record_); }

RowList CInterfaceDescriptorNode::GetExtendedRows() { return InterfaceRows(record_); }

int CInterfaceDescriptorNode::ReadExtended() {
  return ReadConfigurationSet(PortIndex(), qxusb::kGetConfigurationDescriptor, kInterfaceOffset, &record_, sizeof record_);
}

void CEndPointDescriptorNode::Reset() { std::memset(&record_, 0, sizeof record_); }

RowList CEndPointDescriptorNode::GetExtendedRows() { return EndpointRows(record_); }

int CEndPointDescriptorNode::ReadExtended() {
  return ReadConfigurationSet(PortIndex(), qxusb::kGetConfigurationDescriptor, kEndpointsOffset, &record_, sizeof record_);
}

void CStringDescriptorNode::Reset() { std::memset(&record_, 0, sizeof record_); }

RowList CStringDescriptorNode::GetExtendedRows() { return StringRows(record_); }

int CStringDescriptorNode::ReadExtended() {
  return ReadStraight(PortIndex(), qxusb::kGetStringDescriptors, &record_, sizeof record_);
}

void CDeviceQualifierDescriptorNode::Reset() { std::memset(&record_, 0, sizeof record_); }

RowList CDeviceQualifierDescriptorNode::GetExtendedRows() {
  const DeviceQualifierRecord& r = record_;
  RowWriter rows(!AllZero(&r, sizeof r));
  rows.Decimal("bLength", r.bLength);
  rows.Decimal("bDescriptorType", r.bDescriptorType);
  rows.Hex4("bcdUSB", Le16(r.bcdUSB));
  rows.Decimal("bDeviceClass", r.bDeviceClass);
  rows.Decimal("bDeviceSubClass", r.bDeviceSubClass);
  rows.Decimal("bDeviceProtocol", r.bDeviceProtocol);
  rows.Decimal("bMaxPacketSize0", r.bMaxPacketSize0);
  rows.Decimal("bNumConfigurations", r.bNumConfigurations);
  return rows.Take();
}

int CDeviceQualifierDescriptorNode::ReadExtended() {
  return ReadStraight(PortIndex(), qxusb::kGetDeviceQualifier, &record_, sizeof record_);
}

void COtherSpeedConfigurationDescriptorNode::Reset() { std::memset(&record_, 0, sizeof record_); }

RowList COtherSpeedConfigurationDescriptorNode::GetExtendedRows() { return ConfigurationRows(record_); }

int COtherSpeedConfigurationDescriptorNode::ReadExtended() {
  return ReadConfigurationSet(PortIndex(), qxusb::kGetOtherSpeedConfiguration, 0, &record_, sizeof record_);
}

void COtherSpeedInterfaceDescriptorNode::Reset() { std::memset(&record_, 0, sizeof record_); }

RowList COtherSpeedInterfaceDescriptorNode::GetExtendedRows() { return InterfaceRows(record_); }

int COtherSpeedInterfaceDescriptorNode::ReadExtended() {
  return ReadConfigurationSet(PortIndex(), qxusb::kGetOtherSpeedConfiguration, kInterfaceOffset, &record_, sizeof record_);
}

void COtherSpeedEndPointDescriptorNode::Reset() { std::memset(&record_, 0, sizeof record_); }

RowList COtherSpeedEndPointDescriptorNode::GetExtendedRows() { return EndpointRows(record_); }

int COtherSpeedEndPointDescriptorNode::ReadExtended() {
  return ReadConfigurationSet(PortIndex(), qxusb::kGetOtherSpeedConfiguration, kEndpointsOffset, &record_, sizeof record_);
}

void CDeviceStatusNode::Reset() { std::memset(&record_, 0xFF, sizeof record_); }

RowList CDeviceStatusNode::GetExtendedRows() {
  const int status = Le16(record_.status);
  RowWriter rows(status != 0xFFFF);
  if (status == 0xFFFF) {
    rows.Add("Return", "");
    rows.Add("Remote wakeup", "");
    rows.Add("Self/Bus power", "");
    return rows.Take();
  }
  rows.Add("Return", FormatValue("0x%04X", status));
  rows.Add("Remote wakeup", (status & 0x0002) != 0 ? "Enabled" : "Disabled");
  rows.Add("Self/Bus power", (status & 0x0001) != 0 ? "Self power" : "Bus power");
  return rows.Take();
}

int CDeviceStatusNode::ReadExtended() {
  return ReadStraight(PortIndex(), qxusb::kGetDeviceStatus, &record_, sizeof record_);
}

}  // namespace qx
