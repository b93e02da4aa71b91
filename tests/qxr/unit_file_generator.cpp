#include "tests/qxr/unit_file_generator.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "utility/nodes/calibration_records.h"
#include "utility/nodes/device_records.h"
#include "utility/nodes/error_history_record.h"
#include "utility/nodes/nv_counter_threshold_records.h"
#include "utility/nodes/system_environment_records.h"
#include "utility/nodes/usb_descriptor_records.h"
#include "utility/nodes/usb_vendor_records.h"
#include "utility/shell/setting_file.h"

namespace qx::qxrtest {

namespace {

class Dice {
 public:
  explicit Dice(unsigned seed) : engine_(seed) {}
  int Range(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
  bool Coin() { return Range(0, 1) == 1; }
  std::string Text(std::size_t length, const char* alphabet) {
    std::string text;
    const int n = static_cast<int>(std::strlen(alphabet));
    for (std::size_t i = 0; i < length; ++i) text.push_back(alphabet[Range(0, n - 1)]);
    return text;
  }

 private:
  std::mt19937 engine_;
};

constexpr const char* kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr const char* kWords = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -./";

template <std::size_t N>
void Put(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size() < N - 1 ? text.size() : N - 1);
}

template <class Record>
void Store(SettingRecord& record, NodeClass node, const Record& r) {
  StoreSlot(record, node, reinterpret_cast<const std::uint8_t*>(&r), sizeof r);
}

void Le16(std::uint8_t (&pair)[2], int value) {
  pair[0] = static_cast<std::uint8_t>(value & 0xFF);
  pair[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void PutUtf16(std::vector<std::uint8_t>& run, const std::vector<int>& units) {
  run.push_back(static_cast<std::uint8_t>(2 + 2 * units.size()));
  run.push_back(0x03);
  for (int u : units) {
    run.push_back(static_cast<std::uint8_t>(u & 0xFF));
    run.push_back(static_cast<std::uint8_t>(u >> 8));
  }
}

std::vector<int> Units(const std::string& text) {
  std::vector<int> units;
  for (char c : text) units.push_back(static_cast<unsigned char>(c));
  return units;
}

void Descriptors(Dice& dice, SettingRecord& record, bool wakeUp, const std::string& serial) {
  DeviceDescriptorRecord d{};
  d.bLength = 18;
  d.bDescriptorType = 1;
  Le16(d.bcdUSB, dice.Coin() ? 0x0200 : 0x0110);
  d.bMaxPacketSize0 = dice.Coin() ? 64 : 8;
  Le16(d.idVendor, dice.Range(1, 0xFFFF));
  Le16(d.idProduct, dice.Range(1, 0xFFFF));
  Le16(d.bcdDevice, dice.Range(0x0100, 0x0299));
  d.iManufacturer = 1;
  d.iProduct = 2;
  d.iSerialNumber = 3;
  d.bNumConfigurations = 1;
  Store(record, NodeClass::kDeviceDescriptor, d);

  for (bool other : {false, true}) {
    ConfigurationDescriptorRecord c{9, static_cast<std::uint8_t>(other ? 7 : 2), {46, 0}, 1, 1, 0,
                                    static_cast<std::uint8_t>(0x80 | (dice.Coin() ? 0x40 : 0) | (wakeUp ? 0x20 : 0)),
                                    static_cast<std::uint8_t>(dice.Range(1, 250))};
    InterfaceDescriptorRecord i{9, 4, 0, 0, 4, 0xFF, static_cast<std::uint8_t>(dice.Range(0, 2)), 0, 0};
    EndpointDescriptorRecord e{};
    const std::uint8_t addresses[4] = {0x01, 0x82, 0x83, 0x04};
    for (int n = 0; n < 4; ++n) {
      e.entries[n] = {7, 5, addresses[n], static_cast<std::uint8_t>(n == 2 ? 3 : 2), {}, 0};
      Le16(e.entries[n].wMaxPacketSize, n == 2 ? 8 : (other ? 64 : dice.Coin() ? 512 : 256));
      e.entries[n].bInterval = static_cast<std::uint8_t>(n == 2 ? dice.Range(1, 8) : 0);
    }
    Store(record, other ? NodeClass::kOtherSpeedConfigurationDescriptor : NodeClass::kConfigurationDescriptor, c);
    Store(record, other ? NodeClass::kOtherSpeedInterfaceDescriptor : NodeClass::kInterfaceDescriptor, i);
    Store(record, other ? NodeClass::kOtherSpeedEndPointDescriptor : NodeClass::kEndPointDescriptor, e);
  }

  std::vector<std::uint8_t> run{4, 3, 0x09, 0x04};
  PutUtf16(run, {'N', 'O', 'R', 'V', 'A', ' ', 0x00C9, 'Q', 'U', 'I', 'P', 0x2122});  // beyond ASCII
  PutUtf16(run, Units("QX-R7000 " + dice.Text(4, kUpper)));
  PutUtf16(run, Units(serial));
  StringDescriptorRecord s{};
  std::memcpy(s.bytes, run.data(), run.size());
  Store(record, NodeClass::kStringDescriptor, s);

  DeviceQualifierRecord q{10, 6, {0x00, 0x02}, 0, 0, 0, 64, 1};
  Store(record, NodeClass::kDeviceQualifierDescriptor, q);
  DeviceStatusRecord status{};
  Le16(status.status, (dice.Coin() ? 1 : 0) | (wakeUp && dice.Coin() ? 2 : 0));
  Store(record, NodeClass::kDeviceStatus, status);
}

void VendorWords(Dice& dice, SettingRecord& record, const std::string& serial) {
  PowerSaveRecord power{-1, dice.Range(0, 1)};
  Store(record, NodeClass::kPowerSave, power);
  QxusbVersionRecord version{static_cast<std::uint32_t>(dice.Range(0x0300, 0x0420)) << 16 |
                             static_cast<std::uint32_t>(dice.Range(0, 20))};
  Store(record, NodeClass::kQXUSB, version);
  // The low byte with bits 0-1 cleared is 0x40: the scanner's identity.
  const int high[] = {0x01, 0x11, 0x31, 0x10};
  XbConfigurationRecord configuration{static_cast<std::uint16_t>(high[dice.Range(0, 3)] << 8 | 0x40)};
  Store(record, NodeClass::kXBConfigurationDescriptor, configuration);
  std::vector<std::uint8_t> text;
  PutUtf16(text, Units(serial + "-XB"));
  XbStringRecord xb{};
  std::memcpy(xb.bytes, text.data(), text.size());
  Store(record, NodeClass::kXBStringDescriptor, xb);
  // What the utility sets on its handle before it reads them back.
  PipeTimeOutRecord pipe{0, 10, 0, 2000, 0, 0, 0, 0};
  Store(record, NodeClass::kPipeTimeOut, pipe);
  TimeOutModeRecord mode{static_cast<std::uint32_t>(dice.Range(0, 3)) << 28 | static_cast<std::uint32_t>(dice.Range(0, 4)) << 24 |
                         static_cast<std::uint32_t>(dice.Range(0, 0xFFF)) << 12 | static_cast<std::uint32_t>(dice.Range(0, 0xFFF))};
  Store(record, NodeClass::kTimeOutMode, mode);
  // Neither "not ready" nor "holding": the export would not have finished.
  XbStatusRecord status{static_cast<std::uint32_t>(dice.Coin() ? 4 : 0)};
  Store(record, NodeClass::kXBStatus, status);
}

void PcSide(Dice& dice, SettingRecord& record) {
  SystemRecord system{};
  Put(system.osName, "Windows " + dice.Text(4, kUpper));
  Put(system.osVersion, "5.1." + dice.Text(4, "0123456789"));
  Put(system.osLanguage, "ENU");
  Put(system.driverVersion, "1.0" + dice.Text(1, "0123456789"));
  const char* controllers[] = {"OHCI", "UHCI", "EHCI"};
  Put(system.hostController, controllers[dice.Range(0, 2)]);
  Put(system.processor, "x86 Family 6 Model " + dice.Text(2, "0123456789"));
  system.processorCount = dice.Range(1, 8);
  system.memoryMegabytes = dice.Range(256, 4096);
  Put(system.utilityVersion, "1.03");
  Store(record, NodeClass::kSystem, system);
  ApiDriverRecord api{};
  api.installed = '1';
  Put(api.installDirectory, "C:\\Program Files\\NORVA\\" + dice.Text(6, kUpper));
  Put(api.moduleNames[0], "NorvaScanApiWrapper.dll");
  Put(api.moduleVersions[0], "2.0." + dice.Text(2, "0123456789"));
  Store(record, NodeClass::kAPIDriver, api);
  DotNetFrameworkRecord dotNet{};
  Put(dotNet.versions[0], "v2.0.50727");
  Store(record, NodeClass::kDotNetFramework, dotNet);
  UsbDriverStackRecord stack{};
  for (auto& v : stack.versions) Put(v, "5.1.2600." + dice.Text(4, "0123456789"));
  Store(record, NodeClass::kUSBDriverStack, stack);
}

void Calibration(Dice& dice, SettingRecord& record, const UnitOptions& options) {
  struct Table {
    NodeClass node;
    double base, swing;
  };
  const Table tables[] = {{NodeClass::kFaceCalibrationBrightness, 215, 20},
                          {NodeClass::kFaceCalibrationDarkness, 17, 1},
                          {NodeClass::kBackCalibrationBrightness, 212, 22},
                          {NodeClass::kBackCalibrationDarkness, 19, 1}};
  for (const Table& t : tables) {
    ReferenceTableRecord table{};
    const double phase = dice.Range(0, 628) / 100.0;
    for (std::size_t i = 0; i < kReferenceValues; ++i) {
      double v = t.base + t.swing * std::sin(phase + 3.14159 * static_cast<double>(i) / kReferenceValues) - t.swing / 2 +
                 (t.base > 100 ? dice.Range(-2, 2) : dice.Range(-1, 1));
      const int pixel = static_cast<int>(i + 1);
      if (t.node == NodeClass::kFaceCalibrationBrightness && options.dipAt > 0 && pixel >= options.dipAt &&
          pixel < options.dipAt + options.dipWidth) {
        v *= 0.6;
      }
      table.value[i] = static_cast<std::uint16_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    Store(record, t.node, table);
  }
  for (NodeClass node : {NodeClass::kFaceCalibrationValue, NodeClass::kBackCalibrationValue}) {
    CalibrationValueRecord v{static_cast<std::uint16_t>(dice.Range(0, 255)), static_cast<std::uint16_t>(dice.Range(0, 255)),
                             static_cast<std::uint16_t>(dice.Range(0, 255)), static_cast<std::uint16_t>(dice.Range(0, 255)),
                             static_cast<std::uint16_t>(dice.Range(0, 255)), static_cast<std::uint16_t>(dice.Range(0, 255)),
                             dice.Range(0, 0xFFFF)};
    Store(record, node, v);
  }
  OtherCalibrationRecord other{dice.Range(0, 0xFFFF), dice.Range(0, 0xFFFF)};
  Store(record, NodeClass::kOtherCalibrationValue, other);
}

}  // namespace

SettingRecord MakeUnitRecord(const UnitOptions& options) {
  Dice dice(options.seed);
  SettingRecord record{};
  const std::string serial = "R7K" + dice.Text(9, kUpper);
  const bool wakeUp = dice.Coin();

  DeviceRecord d{};
  Put(d.deviceName, options.hostile ? std::string() : "QX-R7000");
  if (options.hostile) std::memset(d.deviceName, 'Z', sizeof d.deviceName);  // no terminator
  if (options.hostile) std::memcpy(d.deviceName, "<b>&amp;\"'\xE9\x81\x01<", 14);
  Put(d.firmwareVersion, "1.0" + dice.Text(1, "0123456789") + "." + dice.Text(2, "0123456789"));
  Put(d.interfaceName, "USB");
  Put(d.companyName, "NORVA");
  Put(d.serialNumber, options.hostile ? "</td><script>x()</script>" : serial);
  const std::uint8_t speeds[] = {'@', 'B', 'D'};
  d.speedCode = speeds[dice.Range(0, 2)];
  d.remoteWakeUp = wakeUp ? '1' : '0';
  d.franker = dice.Coin() ? '1' : '0';
  Put(d.originalVersion, "R7000-ORG " + dice.Text(1, "123") + "." + dice.Text(2, "0123456789"));
  d.bootMode = '0';
  d.calibrationFlag = dice.Coin() ? '1' : '0';
  d.scannerType = static_cast<std::uint8_t>(dice.Range(0, 1));
  d.waterfallMode = static_cast<std::uint8_t>(dice.Range(0, 1));
  d.pockets = static_cast<std::uint8_t>(dice.Range(1, 2));
  Store(record, NodeClass::kDevice, d);

  ADConverterRecord ad{};
  ad.voltage = static_cast<std::uint16_t>(dice.Range(0x80, 0xE0));
  ad.paperLengthDetector = static_cast<std::uint16_t>(dice.Range(0, 255));
  ad.middleDetector = static_cast<std::uint16_t>(dice.Range(0, 255));
  ad.frankingDetector = static_cast<std::uint16_t>(dice.Range(0, 255));
  ad.ejectDetector = static_cast<std::uint16_t>(dice.Range(0, 255));
  ad.doubleFeedSensor = dice.Range(0, 0xFFFF);
  StoreSlot(record, NodeClass::kADConverter, reinterpret_cast<const std::uint8_t*>(&ad), kADConverterStored);

  ThresholdRecord t{};
  t.asfDetector = static_cast<std::uint16_t>(dice.Range(0, 255));
  t.paperLengthDetector = static_cast<std::uint16_t>(dice.Range(0, 255));
  t.middleDetector = static_cast<std::uint16_t>(dice.Range(0, 255));
  t.frankingDetector = static_cast<std::uint16_t>(dice.Range(0, 255));
  t.ejectDetector = static_cast<std::uint16_t>(dice.Range(0, 255));
  t.doubleFeedPaperNotPresent = dice.Range(0, 0xFFFF);
  t.doubleFeedPaperPresent = dice.Range(0, 0xFFFF);
  t.spiInformation = dice.Coin() ? -1 : dice.Range(0, 0xFFFF);  // older firmware has none
  t.cisDifference = static_cast<std::uint16_t>(dice.Range(0, 255));
  Store(record, NodeClass::kThresholdValue, t);

  // The detector states follow from the readings and thresholds, as the utility derives them.
  SensorStatusRecord s{};
  s.asfDetector = dice.Coin() ? '1' : '0';
  s.paperLengthDetector = ad.paperLengthDetector < t.paperLengthDetector ? '1' : '0';
  s.middleDetector = ad.middleDetector > t.middleDetector ? '1' : '0';
  s.frankingDetector = ad.frankingDetector > t.frankingDetector ? '1' : '0';
  s.ejectDetector = ad.ejectDetector < t.ejectDetector ? '1' : '0';
  s.hopperPosition = dice.Coin() ? '1' : '0';
  s.stampPosition = dice.Coin() ? '1' : '0';
  s.separationPlatePosition = dice.Coin() ? '1' : '0';
  s.pocketNearFull = dice.Coin() ? '1' : '0';
  s.subPocketNearFull = dice.Coin() ? '1' : '0';
  s.insertionWaiting = dice.Coin() ? '1' : '0';
  StoreSlot(record, NodeClass::kSensorStatus, reinterpret_cast<const std::uint8_t*>(&s), kSensorStatusStored);

  NvRecord nv{};
  for (std::size_t i = 0; i < kNvSlots; ++i) {
    if (dice.Coin()) Put(nv.slot[i], dice.Text(static_cast<std::size_t>(dice.Range(1, 80)), kWords));
  }
  Put(nv.slot[4], "CAF\xC9 \xA7 12 <&>");  // bytes above 0x7F, as a scanner keeps them
  Store(record, NodeClass::kNORVANV, nv);

  MaintenanceCounterRecord counters{};
  for (std::size_t i = 0; i < kCounterSlots; ++i) {
    if (dice.Range(0, 5) > 0) Put(counters.counter[i], std::to_string(dice.Range(0, 999999)));
  }
  StoreSlot(record, NodeClass::kMaintenanceCounter, reinterpret_cast<const std::uint8_t*>(&counters),
            kMaintenanceCounterStored);

  ErrorHistoryRecord history{};
  const int entries = dice.Range(0, static_cast<int>(kHistoryEntries));
  for (int i = 0; i < entries; ++i) {
    std::string code = "E";
    code += dice.Text(3, "0123456789");
    Put(history.entry[i].code, code);
    Put(history.entry[i].text, dice.Text(static_cast<std::size_t>(dice.Range(1, 10)), "ABCDEFGHIJKLMNOPQRSTUVWXYZ "));
  }
  Store(record, NodeClass::kErrorHistory, history);

  Calibration(dice, record, options);
  Descriptors(dice, record, wakeUp, serial);
  VendorWords(dice, record, serial);
  PcSide(dice, record);
  return record;
}

std::vector<std::uint8_t> MakeUnitFile(const UnitOptions& options) {
  const SettingFileHeader header = BuildSettingFileHeader();
  const SettingRecord record = MakeUnitRecord(options);
  std::vector<std::uint8_t> file(kSettingFileSize);
  std::memcpy(file.data(), &header, sizeof header);
  std::memcpy(file.data() + sizeof header, record.bytes, sizeof record.bytes);
  return file;
}

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace qx::qxrtest
