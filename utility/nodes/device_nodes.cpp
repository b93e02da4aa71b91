#include "utility/nodes/device_nodes.h"

#include <cstring>
#include <vector>

#include "utility/nodes/node_request.h"
#include "utility/nodes/nv_counter_threshold_nodes.h"
#include "utility/nodes/scanner_commands.h"
#include "utility/nodes/scanner_replies.h"
#include "utility/nodes/value_format.h"
#include "utility/port/qxusb_contract.h"

namespace qx {
namespace {

inline constexpr std::uint8_t kUnread8 = 0xFF;
inline constexpr std::uint16_t kUnread16 = 0xFFFF;

// One identity text behind a block '_', cut to the field.
template <std::size_t N>
int ReadIdentityText(int port, const std::uint8_t* command, std::size_t length, char (&field)[N]) {
  NodeReply reply;
  int result = RequestBlock(port, command, length, "_", &reply);
  if (result == kRequestDone) CopyReplyText(reply.bytes, reply.length, 1, field, N);
  return result;
}

// The first data byte of the options block '_' (bits 1-2 speed, bit 4 waterfall, bit 5 pockets).
int ReadDeviceOptions(int port, std::uint8_t* options) {
  NodeReply reply;
  int result = RequestBlock(port, command::kDeviceOptions, "_", &reply);
  if (result == kRequestDone) *options = ReplyByte(reply.bytes, reply.length, 1);
  return result;
}

// bmAttributes of the configuration descriptor: the first call gives the set's total length, the
// second the whole set into a zeroed buffer of that length.
int ReadConfigurationAttributes(int port, std::uint8_t* attributes) {
  std::uint8_t head[9] = {};
  std::uint32_t returned = 0;
  if (DriverControl(port, qxusb::kGetConfigurationDescriptor, head, sizeof head, &returned) != 1) {
    return 0;
  }
  std::uint32_t totalLength = head[2] | (head[3] << 8);
  std::vector<std::uint8_t> set(totalLength + 1u, 0);  // +1: a valid buffer even for length 0
  DriverControl(port, qxusb::kGetConfigurationDescriptor, set.data(), totalLength, &returned);
  // A set too short to hold bmAttributes: the first answer has it.
  *attributes = totalLength > 7 ? set[7] : head[7];
  return 1;
}

const char* Pick(std::uint8_t value, std::uint8_t first, const char* firstText,
                 std::uint8_t second, const char* secondText) {
  if (value == first) return firstText;
  if (value == second) return secondText;
  return "";
}

// A paper detector's state; `unreadText` is what an unread state shows.
const char* PaperState(std::uint8_t state, const char* unreadText) {
  if (state == kUnread8) return unreadText;
  return Pick(state, '0', "Paper not present", '1', "Paper present");
}

const char* PositionState(std::uint8_t state) {
  return Pick(state, '0', "Home position", '1', "Out of home position");
}

const char* NearFullState(std::uint8_t state) {
  return Pick(state, '0', "Not near full", '1', "Near full");
}

std::string Reading16(std::uint16_t value, const char* format) {
  return value == kUnread16 ? std::string("none") : FormatValue(format, value);
}

}  // namespace

void ResetDeviceRecord(DeviceRecord* record) {
  std::memset(record, 0, sizeof *record);
  record->speedCode = kUnread8;
  record->remoteWakeUp = kUnread8;
  record->franker = kUnread8;
  record->bootMode = kUnread8;
  record->calibrationFlag = kUnread8;
  record->scannerType = kUnread8;
  record->waterfallMode = kUnread8;
  record->pockets = kUnread8;
}

// --- CDeviceNode

void CDeviceNode::Reset() { ResetDeviceRecord(&record_); }

int CDeviceNode::Read() {
  const int port = PortIndex();
  if (ReadIdentityText(port, command::kFirmwareVersion, sizeof command::kFirmwareVersion,
                       record_.firmwareVersion) != kRequestDone ||
      ReadIdentityText(port, command::kCompanyName, sizeof command::kCompanyName,
                       record_.companyName) != kRequestDone ||
      ReadIdentityText(port, command::kDeviceName, sizeof command::kDeviceName,
                       record_.deviceName) != kRequestDone ||
      ReadIdentityText(port, command::kSerialNumber, sizeof command::kSerialNumber,
                       record_.serialNumber) != kRequestDone) {
    return 0;
  }
  std::memset(record_.interfaceName, 0, sizeof record_.interfaceName);
  std::memcpy(record_.interfaceName, "USB", 3);

  std::uint8_t options = 0;
  if (ReadDeviceOptions(port, &options) != kRequestDone) return 0;
  switch (options & 6) {
    case 2: record_.speedCode = 'B'; break;
    case 6: record_.speedCode = 'D'; break;
    default: record_.speedCode = '@'; break;
  }

  std::uint8_t attributes = 0;
  if (ReadConfigurationAttributes(port, &attributes) != 1) return 0;
  record_.remoteWakeUp = (attributes & 0x20) ? '1' : '0';

  NodeReply reply;
  if (RequestAutomaticStatus(port, command::kAutomaticStatus, sizeof command::kAutomaticStatus,
                             &reply) != kRequestDone) {
    return 0;
  }
  record_.franker = (ReplyByte(reply.bytes, reply.length, 3) & 0x02) ? '0' : '1';

  if (RequestBlock(port, command::kScannerType, "=", &reply) != kRequestDone) return 0;
  record_.scannerType = (ReplyByte(reply.bytes, reply.length, 3) & 0x08) ? 1 : 0;

  if (ReadDeviceOptions(port, &options) != kRequestDone) return 0;
  record_.waterfallMode = (options & 0x10) ? 1 : 0;

  if (ReadDeviceOptions(port, &options) != kRequestDone) return 0;
  record_.pockets = (options & 0x20) ? 1 : 2;
  return 1;
}

int CDeviceNode::ReadExtended() {
  Read();
  const int port = PortIndex();
  // Only a not-ready port or a wrong header fails these; a write failure or a silent scanner
  // leaves the field at its marker.
  NodeReply reply;
  int result = RequestBlock(port, command::kOriginalVersion, "1", &reply);
  if (result == kRequestNotDone) return 0;
  if (result == kRequestDone) {
    CopyReplyText(reply.bytes, reply.length, 1, record_.originalVersion,
                  sizeof record_.originalVersion);
  }
  result = RequestBlock(port, command::kBootMode, "1", &reply);
  if (result == kRequestNotDone) return 0;
  if (result == kRequestDone) record_.bootMode = '0';

  result = RequestBlock(port, command::kCalibrationFlag, "1", &reply);
  if (result == kRequestNotDone) return 0;
  if (result == kRequestDone) record_.calibrationFlag = ReplyByte(reply.bytes, reply.length, 1);
  return 1;
}

RowList CDeviceNode::GetRows() {
  const DeviceRecord& r = record_;
  std::string speed;
  switch (r.speedCode) {
    case '@': speed = r.scannerType == 0 ? "up to 30dpm" : "30dpm"; break;
    case 'B': speed = "60dpm"; break;
    case 'D': speed = "90dpm"; break;
    default: break;
  }
  RowList rows;
  rows.push_back({"Device name", FieldText(r.deviceName)});
  rows.push_back({"Firmware version", FieldText(r.firmwareVersion)});
  rows.push_back({"Interface", FieldText(r.interfaceName)});
  rows.push_back({"Company name", FieldText(r.companyName)});
  rows.push_back({"Serial no.", FieldText(r.serialNumber)});
  rows.push_back({"Speed", speed});
  rows.push_back({"Remote wake up", Pick(r.remoteWakeUp, '0', "Not supported", '1', "Supported")});
  rows.push_back({"Franker", Pick(r.franker, '0', "Not installed", '1', "Installed")});
  rows.push_back({"Number of pockets", r.pockets <= 2 ? FormatValue("%d", r.pockets) : ""});
  rows.push_back({"Scanner type",
                  Pick(r.scannerType, 0, "Single Feed Scanner", 1, "Multi Feed Scanner")});
  rows.push_back({"Waterfall mode", Pick(r.waterfallMode, 0, "Not supported", 1, "Supported")});
  return rows;
}

RowList CDeviceNode::GetExtendedRows() {
  RowList rows = GetRows();
  rows.push_back({"Original version", FieldText(record_.originalVersion)});
  rows.push_back({"Boot mode", Pick(record_.bootMode, '0', "Normal mode", '1', "Boot mode")});
  rows.push_back(
      {"Calibration information", Pick(record_.calibrationFlag, '0', "Not yet", '1', "Done")});
  return rows;
}

// --- CSensorStatusNode

CSensorStatusNode::CSensorStatusNode(const int* port) : CRecordNode(port) {
  ResetDeviceRecord(&record_.device);
}

void CSensorStatusNode::Reset() { std::memset(&record_, kUnread8, kSensorStatusStored); }

int CSensorStatusNode::ReadExtended() {
  const int port = PortIndex();
  CADConverterNode voltages(PortPointer());
  voltages.Reset();
  if (voltages.ReadExtended() != 1) return 0;
  CThresholdValueNode thresholds(PortPointer());
  thresholds.Reset();
  if (thresholds.ReadExtended() != 1) return 0;

  const ADConverterRecord& v = voltages.record();
  const ThresholdRecord& t = thresholds.record();
  record_.paperLengthDetector = v.paperLengthDetector < t.paperLengthDetector ? '1' : '0';
  record_.middleDetector = v.middleDetector > t.middleDetector ? '1' : '0';
  record_.frankingDetector = v.frankingDetector > t.frankingDetector ? '1' : '0';
  record_.ejectDetector = v.ejectDetector < t.ejectDetector ? '1' : '0';

  std::uint8_t* positions[3] = {&record_.hopperPosition, &record_.stampPosition,
                                &record_.separationPlatePosition};
  for (std::uint8_t s = 0; s < 3; ++s) {
    std::uint8_t cmd[command::kPositionSensorSize];
    std::memcpy(cmd, command::kPositionSensor, sizeof cmd);
    cmd[sizeof cmd - 1] = s;
    NodeReply reply;
    int result = RequestBlock(port, cmd, sizeof cmd, "1", &reply);
    // The scanner answers with at least one data character; an empty block is no answer.
    if (result == kRequestDone && ReplyByte(reply.bytes, reply.length, 1) == 0) {
      result = kRequestNotDone;
    }
    if (result == kRequestNotDone) return 0;
    if (result == kRequestDone) {
      bool out = ReplyByte(reply.bytes, reply.length, 1) == '3' &&
                 ReplyByte(reply.bytes, reply.length, 2) == '1';
      *positions[s] = out ? '1' : '0';
    }
  }

  NodeReply status;
  int result = RequestAutomaticStatus(port, command::kAutomaticStatus,
                                      sizeof command::kAutomaticStatus, &status);
  if (result == kRequestNotDone) return 0;
  if (result == kRequestDone) {
    std::uint8_t third = ReplyByte(status.bytes, status.length, 2);
    std::uint8_t fourth = ReplyByte(status.bytes, status.length, 3);
    record_.pocketNearFull = (third & 0x02) ? '0' : '1';
    record_.subPocketNearFull = (third & 0x08) ? '0' : '1';
    record_.asfDetector = (third & 0x40) ? '0' : '1';
    record_.insertionWaiting = (fourth & 0x20) ? '1' : '0';
  }

  CDeviceNode device(PortPointer());
  device.Reset();
  if (device.Read() != 1) return 0;
  std::memcpy(&record_.device, device.GetRecord(), sizeof record_.device);
  return 1;
}

RowList CSensorStatusNode::GetExtendedRows() {
  const SensorStatusRecord& r = record_;
  const bool twoPockets = r.device.pockets >= 2;
  RowList rows;
  rows.push_back({"ASF detector", PaperState(r.asfDetector, "none")});
  rows.push_back({"Paper length detector", PaperState(r.paperLengthDetector, "none")});
  rows.push_back({"Middle detector", PaperState(r.middleDetector, "none")});
  rows.push_back({"Franking detector", PaperState(r.frankingDetector, "none")});
  rows.push_back({"Eject detector", PaperState(r.ejectDetector, "")});
  rows.push_back({"Hopper position sensor", PositionState(r.hopperPosition)});
  rows.push_back({"Stamp position sensor", PositionState(r.stampPosition)});
  if (twoPockets) {
    rows.push_back({"Separation plate position sensor", PositionState(r.separationPlatePosition)});
  }
  rows.push_back({twoPockets ? "Main pocket near full sensor" : "Pocket near full sensor",
                  NearFullState(r.pocketNearFull)});
  if (twoPockets) rows.push_back({"Sub pocket near full sensor", NearFullState(r.subPocketNearFull)});
  rows.push_back({"Insertion waiting of paper",
                  Pick(r.insertionWaiting, '0', "Not waiting", '1', "Waiting")});
  return rows;
}

// --- CADConverterNode

void CADConverterNode::Reset() { std::memset(&record_, kUnread8, kADConverterStored); }

int CADConverterNode::ReadExtended() {
  const int port = PortIndex();
  // The sensors in the order the scanner is asked for them.
  const std::uint8_t sensors[] = {2, 4, 5, 6, 7, 9};
  for (std::uint8_t sensor : sensors) {
    std::uint8_t cmd[command::kSensorVoltageSize];
    std::memcpy(cmd, command::kSensorVoltage, sizeof cmd);
    cmd[sizeof cmd - 1] = sensor;
    NodeReply reply;
    int result = RequestAnyReply(port, cmd, sizeof cmd, &reply);
    if (result != kRequestDone) return 0;
    // Another header: the scanner has no such reading; the field stays as it is.
    if (!ReplyStartsWith(reply.bytes, reply.length, "1")) continue;
    int value = ReplyHexValue(reply.bytes, reply.length, 1, reply.length);
    auto low16 = static_cast<std::uint16_t>(value);
    switch (sensor) {
      case 2: record_.voltage = low16; break;
      case 4: record_.paperLengthDetector = low16; break;
      case 5: record_.middleDetector = low16; break;
      case 6: record_.frankingDetector = low16; break;
      case 7: record_.ejectDetector = low16; break;
      default: record_.doubleFeedSensor = SwapReplyBytes(value); break;
    }
  }
  return 1;
}

RowList CADConverterNode::GetExtendedRows() {
  const ADConverterRecord& r = record_;
  RowList rows;
  rows.push_back({"Voltage", Reading16(r.voltage, "%02XH")});
  rows.push_back({"Paper length detector", Reading16(r.paperLengthDetector, "%02XH")});
  rows.push_back({"Middle detector", Reading16(r.middleDetector, "%02XH")});
  rows.push_back({"Franking detector", Reading16(r.frankingDetector, "%02XH")});
  rows.push_back({"Eject detector", Reading16(r.ejectDetector, "%2XH")});
  std::int32_t doubleFeed = r.doubleFeedSensor;
  rows.push_back({"Double-Feed sensor",
                  doubleFeed == -1 ? std::string("none")
                                   : FormatValue("%04XH", static_cast<unsigned>(doubleFeed))});
  return rows;
}

}  // namespace qx
