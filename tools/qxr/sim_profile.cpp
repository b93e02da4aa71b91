#include "tools/qxr/sim_profile.h"

#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "tools/qxr/text_escape.h"
#include "utility/nodes/calibration_records.h"
#include "utility/nodes/device_records.h"
#include "utility/nodes/error_history_record.h"
#include "utility/nodes/nv_counter_threshold_records.h"
#include "utility/nodes/system_environment_records.h"
#include "utility/nodes/usb_descriptor_records.h"
#include "utility/nodes/usb_vendor_records.h"
#include "utility/nodes/value_format.h"

namespace qx::qxr {

namespace {

using nlohmann::ordered_json;

constexpr std::size_t SlotOffset(NodeClass node) {
  for (const SettingSlot& slot : kSettingSlots) {
    if (slot.node == node) return slot.offset;
  }
  return kSettingRecordSize;
}

static_assert(kReproducedRanges[1].offset == SlotOffset(NodeClass::kSystem) + offsetof(SystemRecord, hostController));
static_assert(kReproducedRanges[7].offset == SlotOffset(NodeClass::kFaceCalibrationValue) &&
              kReproducedRanges[7].offset + kReproducedRanges[7].size == SlotOffset(NodeClass::kErrorHistory));
static_assert(kReproducedRanges[9].offset == SlotOffset(NodeClass::kDeviceDescriptor) &&
              kReproducedRanges[9].offset + kReproducedRanges[9].size == SlotOffset(NodeClass::kPowerSave));
static_assert(kReproducedRanges[10].offset + kReproducedRanges[10].size == kSettingRecordSize);
// A configuration set is its descriptor, the interface and the four endpoints, which the record
// keeps back to back.
static_assert(SlotOffset(NodeClass::kInterfaceDescriptor) == SlotOffset(NodeClass::kConfigurationDescriptor) + 9 &&
              SlotOffset(NodeClass::kEndPointDescriptor) == SlotOffset(NodeClass::kInterfaceDescriptor) + 9);
static_assert(SlotOffset(NodeClass::kOtherSpeedInterfaceDescriptor) ==
                  SlotOffset(NodeClass::kOtherSpeedConfigurationDescriptor) + 9 &&
              SlotOffset(NodeClass::kOtherSpeedEndPointDescriptor) == SlotOffset(NodeClass::kOtherSpeedInterfaceDescriptor) + 9);
constexpr std::size_t kConfigurationSetBytes = 9 + 9 + sizeof(EndpointDescriptorRecord);

// A node's stored bytes as its record; bytes the file does not keep stay zero.
template <class Record>
Record SlotRecord(const SettingRecord& record, NodeClass node) {
  Record r;
  std::memset(&r, 0, sizeof r);
  LoadSlot(record, node, reinterpret_cast<std::uint8_t*>(&r), sizeof r);
  return r;
}

std::string HexText(const std::uint8_t* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

// Bytes without their trailing zeros, at least `keep` of them: the simulator answers with them and
// the utility's record is zero behind them anyway.
std::string TrimmedHex(const std::uint8_t* bytes, std::size_t size, std::size_t keep) {
  std::size_t n = size;
  while (n > keep && bytes[n - 1] == 0) --n;
  return HexText(bytes, n);
}

std::string HexNumber(unsigned long value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*lX", digits, value);
  return text;
}

// A text as the profile takes it: a JSON text when it is printable ASCII, otherwise its bytes.
ordered_json ProfileText(const std::string& bytes) {
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b > 0x7E) {
      return {{"hex", HexText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())}};
    }
  }
  return bytes;
}

// The low bytes of UTF-16 units from `offset` until a zero unit or `end`, as the utility shows them.
std::string LowBytesText(const std::uint8_t* bytes, std::size_t offset, std::size_t end) {
  std::string text;
  for (std::size_t at = offset; at < end; at += 2) {
    if (bytes[at] == 0) break;
    text.push_back(static_cast<char>(bytes[at]));
  }
  return text;
}

ordered_json Driver(const SettingRecord& record) {
  const auto version = SlotRecord<QxusbVersionRecord>(record, NodeClass::kQXUSB);
  const auto system = SlotRecord<SystemRecord>(record, NodeClass::kSystem);
  const auto mode = SlotRecord<TimeOutModeRecord>(record, NodeClass::kTimeOutMode);
  const auto power = SlotRecord<PowerSaveRecord>(record, NodeClass::kPowerSave);
  // An unread version: a driver new enough for the utility.
  const bool versionRead = version.version != 0xFFFFFFFFu;
  const std::string controller = FieldText(system.hostController);
  // 3 is a type the utility names nothing, which leaves the text empty as the file has it.
  int type = 3;
  if (controller == "OHCI") type = 0;
  if (controller == "UHCI") type = 1;
  if (controller == "EHCI") type = 2;
  if (controller == "UNKNOWN") type = 255;
  ordered_json d;
  d["version"] = HexNumber(versionRead ? version.version >> 16 : 0x0300, 4);
  d["version2"] = HexNumber(versionRead ? version.version & 0xFFFF : 0, 4);
  d["hostController"] = type;
  d["timeoutMode"] = HexNumber(mode.word, 8);
  d["suspend"] = HexNumber(static_cast<std::uint32_t>(power.appSuspend), 8);
  return d;
}

ordered_json Usb(const SettingRecord& record, const DeviceRecord& device) {
  const SettingSlot* dd = FindSettingSlot(NodeClass::kDeviceDescriptor);
  const SettingSlot* conf = FindSettingSlot(NodeClass::kConfigurationDescriptor);
  const SettingSlot* other = FindSettingSlot(NodeClass::kOtherSpeedConfigurationDescriptor);
  const SettingSlot* qualifier = FindSettingSlot(NodeClass::kDeviceQualifierDescriptor);
  const SettingSlot* strings = FindSettingSlot(NodeClass::kStringDescriptor);
  const std::uint8_t* b = record.bytes;
  const auto descriptor = SlotRecord<DeviceDescriptorRecord>(record, NodeClass::kDeviceDescriptor);
  const auto configuration = SlotRecord<ConfigurationDescriptorRecord>(record, NodeClass::kConfigurationDescriptor);
  const auto status = SlotRecord<DeviceStatusRecord>(record, NodeClass::kDeviceStatus);
  const auto run = SlotRecord<StringDescriptorRecord>(record, NodeClass::kStringDescriptor);

  ordered_json u;
  u["vendorId"] = HexNumber(descriptor.idVendor[0] | (descriptor.idVendor[1] << 8), 4);
  u["productId"] = HexNumber(descriptor.idProduct[0] | (descriptor.idProduct[1] << 8), 4);
  u["bcdDevice"] = HexNumber(descriptor.bcdDevice[0] | (descriptor.bcdDevice[1] << 8), 4);
  // An unread configuration: attributes that give the device record's remote wake-up.
  const bool configurationRead = configuration.bLength != 0;
  u["configAttributes"] = HexNumber(
      configurationRead ? configuration.bmAttributes : (0x80 | (device.remoteWakeUp == '1' ? 0x20 : 0)), 2);
  u["maxPower"] = configuration.bMaxPower;
  u["deviceStatus"] = HexNumber(status.status[0] | (status.status[1] << 8), 4);
  u["languageId"] = HexNumber(run.bytes[2] | (run.bytes[3] << 8), 4);
  // The three texts behind the language IDs, for the device path and for reading.
  const char* keys[] = {"manufacturer", "product", "serial"};
  std::size_t at = run.bytes[0];
  for (const char* key : keys) {
    std::string text;
    if (at + 2 <= sizeof run.bytes && run.bytes[at] >= 2) {
      std::size_t end = at + run.bytes[at];
      text = LowBytesText(run.bytes, at + 2, end < sizeof run.bytes ? end : sizeof run.bytes);
      at = end;
    }
    u[key] = ProfileText(text.substr(0, 126));
  }
  // The descriptors exactly as the file holds them; the texts above only name the device.
  ordered_json raw;
  raw["device"] = HexText(b + dd->offset, dd->size);
  raw["configuration"] = HexText(b + conf->offset, kConfigurationSetBytes);
  raw["otherSpeedConfiguration"] = HexText(b + other->offset, kConfigurationSetBytes);
  raw["qualifier"] = HexText(b + qualifier->offset, qualifier->size);
  raw["strings"] = TrimmedHex(b + strings->offset, strings->size, 4);
  u["descriptors"] = std::move(raw);
  return u;
}

ordered_json Xb(const SettingRecord& record) {
  const auto configuration = SlotRecord<XbConfigurationRecord>(record, NodeClass::kXBConfigurationDescriptor);
  const auto status = SlotRecord<XbStatusRecord>(record, NodeClass::kXBStatus);
  const auto text = SlotRecord<XbStringRecord>(record, NodeClass::kXBStringDescriptor);
  ordered_json x;
  x["configuration"] = HexNumber(configuration.word, 4);
  x["status"] = HexNumber(status.word, 8);
  x["text"] = ProfileText(LowBytesText(text.bytes, 2, sizeof text.bytes).substr(0, 126));
  x["descriptor"] = TrimmedHex(text.bytes, sizeof text.bytes, 2);
  return x;
}

int Speed(std::uint8_t code) {
  switch (code) {
    case 'B': return 60;
    case 'D': return 90;
    default: return 30;
  }
}

ordered_json Threshold16(std::uint16_t value) {
  if (value == 0xFFFF) return nullptr;
  return HexNumber(value & 0xFF, 2);
}

ordered_json Threshold32(std::int32_t value) {
  if (value == -1) return nullptr;
  return HexNumber(static_cast<std::uint32_t>(value) & 0xFFFF, 4);
}

std::string TableHex(const ReferenceTableRecord& table) {
  std::uint8_t bytes[kReferenceValues];
  for (std::size_t i = 0; i < kReferenceValues; ++i) bytes[i] = static_cast<std::uint8_t>(table.value[i] & 0xFF);
  return HexText(bytes, sizeof bytes);
}

std::string FaceValuesHex(const CalibrationValueRecord& r) {
  const auto time = static_cast<std::uint32_t>(r.ledEmissionTime);
  const std::uint8_t bytes[8] = {static_cast<std::uint8_t>(r.afeOffset),         static_cast<std::uint8_t>(r.afeGain),
                                 static_cast<std::uint8_t>(r.afeVoltage),        static_cast<std::uint8_t>(r.value4),
                                 static_cast<std::uint8_t>(r.shadingCorrection), static_cast<std::uint8_t>(r.ledLightening),
                                 static_cast<std::uint8_t>(time & 0xFF),         static_cast<std::uint8_t>((time >> 8) & 0xFF)};
  return HexText(bytes, sizeof bytes);
}

ordered_json Calibration(const SettingRecord& record) {
  const auto other = SlotRecord<OtherCalibrationRecord>(record, NodeClass::kOtherCalibrationValue);
  const auto status = static_cast<std::uint32_t>(other.calibrationStatus);
  const auto factor = static_cast<std::uint32_t>(other.errorFactor);
  const std::uint8_t otherBytes[4] = {static_cast<std::uint8_t>(status & 0xFF), static_cast<std::uint8_t>((status >> 8) & 0xFF),
                                      static_cast<std::uint8_t>(factor & 0xFF), static_cast<std::uint8_t>((factor >> 8) & 0xFF)};
  ordered_json c;
  c["valuesPerBlock"] = 128;
  c["faceBrightness"] = TableHex(SlotRecord<ReferenceTableRecord>(record, NodeClass::kFaceCalibrationBrightness));
  c["faceDarkness"] = TableHex(SlotRecord<ReferenceTableRecord>(record, NodeClass::kFaceCalibrationDarkness));
  c["faceValues"] = FaceValuesHex(SlotRecord<CalibrationValueRecord>(record, NodeClass::kFaceCalibrationValue));
  c["backBrightness"] = TableHex(SlotRecord<ReferenceTableRecord>(record, NodeClass::kBackCalibrationBrightness));
  c["backDarkness"] = TableHex(SlotRecord<ReferenceTableRecord>(record, NodeClass::kBackCalibrationDarkness));
  c["backValues"] = FaceValuesHex(SlotRecord<CalibrationValueRecord>(record, NodeClass::kBackCalibrationValue));
  c["otherValues"] = HexText(otherBytes, sizeof otherBytes);
  return c;
}

ordered_json ErrorHistory(const SettingRecord& record) {
  const auto history = SlotRecord<ErrorHistoryRecord>(record, NodeClass::kErrorHistory);
  // Entries up to the last one holding anything; the scanner sends them newest first.
  std::size_t count = 0;
  for (std::size_t i = 0; i < kHistoryEntries; ++i) {
    const ErrorHistoryEntry& e = history.entry[i];
    if (FieldText(e.text) != "" || FieldText(e.code) != "") count = i + 1;
  }
  ordered_json entries = ordered_json::array();
  for (std::size_t i = 0; i < count; ++i) {
    const ErrorHistoryEntry& e = history.entry[i];
    // The scanner cannot send a zero inside its list: such a code byte (a damaged file) becomes '?'.
    std::string code(e.code, 4);
    for (char& c : code) {
      if (c == '\0') c = '?';
    }
    entries.push_back({{"code", ProfileText(code)}, {"text", ProfileText(FieldText(e.text))}});
  }
  return {{"entries", std::move(entries)}, {"charactersPerBlock", 32}};
}

ordered_json Scanner(const SettingRecord& record, ordered_json device) {
  const auto d = SlotRecord<DeviceRecord>(record, NodeClass::kDevice);
  const auto sensors = SlotRecord<SensorStatusRecord>(record, NodeClass::kSensorStatus);
  const auto ad = SlotRecord<ADConverterRecord>(record, NodeClass::kADConverter);
  const auto nv = SlotRecord<NvRecord>(record, NodeClass::kNORVANV);
  const auto counters = SlotRecord<MaintenanceCounterRecord>(record, NodeClass::kMaintenanceCounter);
  const auto t = SlotRecord<ThresholdRecord>(record, NodeClass::kThresholdValue);

  device["identity"] = {{"firmware", ProfileText(FieldText(d.firmwareVersion))},
                        {"company", ProfileText(FieldText(d.companyName))},
                        {"device", ProfileText(FieldText(d.deviceName))},
                        {"serial", ProfileText(FieldText(d.serialNumber))},
                        {"original", ProfileText(FieldText(d.originalVersion))},
                        {"modelId", "0x20"}};
  device["options"] = {{"speed", Speed(d.speedCode)},
                       {"waterfall", d.waterfallMode == 1},
                       {"pockets", d.pockets == 1 ? 1 : 2},
                       {"multiFeed", d.scannerType == 1},
                       // No answer to the mode request leaves the field unread, as in boot mode.
                       {"bootMode", d.bootMode != '0'},
                       {"calibrated", d.calibrationFlag == '1'}};
  // The automatic status bits the utility reads: ASF, pocket and sub pocket near full (third
  // byte, set when clear), franker and insertion waiting (fourth byte).
  const int third = (sensors.asfDetector == '1' ? 0 : 0x40) | (sensors.pocketNearFull == '1' ? 0 : 0x02) |
                    (sensors.subPocketNearFull == '1' ? 0 : 0x08);
  const int fourth = (d.franker == '1' ? 0 : 0x02) | (sensors.insertionWaiting == '1' ? 0x20 : 0);
  device["automaticStatus"] = {"0x10", "0x00", HexNumber(third, 2), HexNumber(fourth, 2)};
  device["adConverter"] = {{"voltage", HexNumber(ad.voltage, 2)},
                           {"paperLength", HexNumber(ad.paperLengthDetector, 2)},
                           {"middle", HexNumber(ad.middleDetector, 2)},
                           {"franking", HexNumber(ad.frankingDetector, 2)},
                           {"eject", HexNumber(ad.ejectDetector, 2)},
                           {"doubleFeed", HexNumber(static_cast<std::uint32_t>(ad.doubleFeedSensor) & 0xFFFF, 4)}};
  device["positionOut"] = {sensors.hopperPosition == '1', sensors.stampPosition == '1',
                           sensors.separationPlatePosition == '1'};
  device["thresholds"] = {{"asf", Threshold16(t.asfDetector)},
                          {"paperLength", Threshold16(t.paperLengthDetector)},
                          {"middle", Threshold16(t.middleDetector)},
                          {"franking", Threshold16(t.frankingDetector)},
                          {"eject", Threshold16(t.ejectDetector)},
                          {"doubleFeedAbsent", Threshold32(t.doubleFeedPaperNotPresent)},
                          {"doubleFeedPresent", Threshold32(t.doubleFeedPaperPresent)},
                          {"cisDifference", Threshold16(t.cisDifference)},
                          {"spi", Threshold32(t.spiInformation)}};
  // Counter numbers of the ten slots, as the utility asks for them.
  static constexpr int kCounterNumbers[kCounterSlots] = {70, 60, 61, 62, 63, 198, 188, 189, 190, 191};
  ordered_json c = ordered_json::object();
  for (std::size_t i = 0; i < kCounterSlots; ++i) {
    c[std::to_string(kCounterNumbers[i])] = ProfileText(FieldText(counters.counter[i]));
  }
  device["counters"] = std::move(c);
  ordered_json texts = ordered_json::array();
  for (std::size_t i = 0; i < kNvSlots; ++i) texts.push_back(ProfileText(FieldText(nv.slot[i])));
  device["nv"] = std::move(texts);
  device["errorHistory"] = ErrorHistory(record);
  device["calibration"] = Calibration(record);
  device["specialMode"] = {{"active", false}, {"switchOn", false}, {"counterAnswered", false}};
  device["errorCause"] = {{"status", {"0x00", "0x00", "0x00", "0x00"}},
                          {"detail", {"0x40", "0x40", "0x40", "0x40", "0x40"}},
                          {"detailAnswered", true}};
  return device;
}

}  // namespace

std::string SimProfile(const OpenedFile& file) {
  const SettingRecord& record = file.record;
  const auto d = SlotRecord<DeviceRecord>(record, NodeClass::kDevice);
  ordered_json profile;
  // The profile loader takes names of up to 200 bytes; each byte here becomes at most two.
  profile["name"] = Latin1ToUtf8((FieldText(d.deviceName) + " " + FieldText(d.serialNumber) + " from " + file.name).substr(0, 100));
  profile["driver"] = Driver(record);
  ordered_json device;
  device["presence"] = "present";
  device["kind"] = "scanner";
  device["displayFunction"] = true;
  device["usb"] = Usb(record, d);
  device["xb"] = Xb(record);
  profile["device"] = Scanner(record, std::move(device));
  return profile.dump(2) + "\n";
}

}  // namespace qx::qxr
