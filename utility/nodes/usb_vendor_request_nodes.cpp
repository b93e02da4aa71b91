#include "utility/nodes/usb_vendor_request_nodes.h"

#include <cstring>
#include <initializer_list>
#include <string>

#include "utility/nodes/driver_requests.h"
#include "utility/nodes/value_format.h"
#include "utility/port/qxusb_contract.h"

namespace qx {

namespace {

constexpr std::uint16_t kXbConfigurationUnread = 0x00FF;
constexpr std::uint32_t kWordUnread = 0xFFFFFFFF;

bool AllBytes(const void* bytes, std::size_t size, std::uint8_t value) {
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  for (std::size_t i = 0; i < size; ++i) {
    if (p[i] != value) return false;
  }
  return true;
}

// The labels alone: what an unread record shows.
RowList EmptyRows(std::initializer_list<const char*> items) {
  RowList rows;
  for (const char* item : items) rows.push_back({item, ""});
  return rows;
}

const char* DeviceTypeText(unsigned lowByte) {
  switch (lowByte & 0xFC) {
    case 4: return "DEVICE_TYPE_ALDER";
    case 8: return "DEVICE_TYPE_BIRCH";
    case 16: return "DEVICE_TYPE_CEDAR";
    case 32: return "DEVICE_TYPE_DAPHNE";
    case 64: return "DEVICE_TYPE_TORVIK";
    default: return "DEVICE_TYPE_ELM";
  }
}

// Modes and requests without a name of their own show their number alone.
std::string ModeText(int mode) {
  switch (mode) {
    case 0: return FormatValue("%d Default", mode);
    case 1: return FormatValue("%d [130<=QXUSB<=181]", mode);
    case 2: return FormatValue("%d [110<=QXUSB<=121]", mode);
    case 3: return FormatValue("%d [Munial mode]", mode);
    default: return FormatValue("%d", mode);
  }
}

std::string RequestText(int request) {
  switch (request) {
    case 0: return FormatValue("%d [SetFeature]", request);
    case 1: return FormatValue("%d [IoCancelIrp]", request);
    case 2: return FormatValue("%d [AbortPipe]", request);
    case 3: return FormatValue("%d [GetFIFOCount]", request);
    case 4: return FormatValue("%d [No Cancel]", request);
    default: return FormatValue("%d", request);
  }
}

std::string MilliText(std::int32_t whole, std::int32_t thousandths) {
  return FormatValue("%d.%03dmilli", whole, thousandths);
}

}  // namespace

void CPowerSaveNode::Reset() { std::memset(&record_, 0xFF, sizeof record_); }

RowList CPowerSaveNode::GetExtendedRows() {
  if (AllBytes(&record_, sizeof record_, 0xFF)) return EmptyRows({"ResumeTime", "App Suspend"});
  return {{"ResumeTime", "Not supported"}, {"App Suspend", FormatValue("%d", record_.appSuspend)}};
}

int CPowerSaveNode::ReadExtended() {
  return QueryDriver(PortIndex(), qxusb::kGetSuspendSetting, &record_.appSuspend, sizeof record_.appSuspend,
                     nullptr);
}

void CQXUSBNode::Reset() { record_.version = kWordUnread; }

RowList CQXUSBNode::GetExtendedRows() {
  if (record_.version == kWordUnread) return EmptyRows({"Major version", "Minor version"});
  return {{"Major version", FormatValue("%04XH", static_cast<unsigned>(record_.version >> 16))},
          {"Minor version", FormatValue("%04XH", static_cast<unsigned>(record_.version & 0xFFFF))}};
}

int CQXUSBNode::ReadExtended() {
  std::uint32_t major = 0;
  if (!QueryDriver(PortIndex(), qxusb::kGetDriverVersion, &major, sizeof major, nullptr)) return 0;
  record_.version = major << 16;
  std::uint32_t minor = 0;
  if (!QueryDriver(PortIndex(), qxusb::kGetDriverVersion2, &minor, sizeof minor, nullptr)) return 0;
  // Only the lower half is the minor version's: wider bits would change the major version shown.
  record_.version |= minor & 0xFFFF;
  return 1;
}

void CXBConfigurationDescriptorNode::Reset() { record_.word = kXbConfigurationUnread; }

RowList CXBConfigurationDescriptorNode::GetExtendedRows() {
  const unsigned w = record_.word;
  if (w == kXbConfigurationUnread) {
    return EmptyRows({"Device", "XBFlowControl", "TYPE", "USB Speed", "USB Suspend/Resume func",
                      "Device wakeup PC func"});
  }
  return {{"Device", (w & 0x0001) != 0 ? "KD Device" : "QX Device"},
          {"XBFlowControl", (w & 0x0002) != 0 ? "Ex Flow" : "Normal Flow"},
          {"TYPE", DeviceTypeText(w & 0xFF)},
          {"USB Speed", (w & 0x0100) != 0 ? "High Speed" : "Full Speed"},
          {"USB Suspend/Resume func", (w & 0x1000) != 0 ? "Enabled" : "Disabled"},
          {"Device wakeup PC func", (w & 0x2000) != 0 ? "Enabled" : "Disabled"}};
}

int CXBConfigurationDescriptorNode::ReadExtended() {
  return QueryDriver(PortIndex(), qxusb::kGetXbConfiguration, &record_.word, sizeof record_.word, nullptr);
}

void CXBStringDescriptorNode::Reset() { std::memset(&record_, 0, sizeof record_); }

// The text from offset 2 on: two zero bytes in a row end it, a single zero byte (the high byte of
// a UTF-16 unit) is skipped. Without two zero bytes the record's end ends it.
RowList CXBStringDescriptorNode::GetExtendedRows() {
  const std::uint8_t* bytes = record_.bytes;
  const std::size_t size = sizeof record_.bytes;
  if (AllBytes(bytes, size, 0)) return {{"none", ""}};
  std::string text;
  for (std::size_t i = 2; i < size; ++i) {
    if (bytes[i] != 0) {
      text.push_back(static_cast<char>(bytes[i]));
    } else if (i + 1 < size && bytes[i + 1] == 0) {
      break;
    }
  }
  return {{"String", FormatValue("%s", text.c_str())}};
}

int CXBStringDescriptorNode::ReadExtended() {
  return QueryDriver(PortIndex(), qxusb::kGetXbString, &record_, sizeof record_, nullptr);
}

void CPipeTimeOutNode::Reset() { std::memset(&record_, 0xFF, sizeof record_); }

RowList CPipeTimeOutNode::GetExtendedRows() {
  const PipeTimeOutRecord& r = record_;
  if (AllBytes(&r, sizeof r, 0xFF)) {
    return EmptyRows({"Read Multiplier", "Read Constant", "Write Multiplier", "Write Constant"});
  }
  return {{"Read Multiplier", MilliText(r.readMultiplier, r.readMultiplierThousandths)},
          {"Read Constant", MilliText(r.readConstant, r.readConstantThousandths)},
          {"Write Multiplier", MilliText(r.writeMultiplier, r.writeMultiplierThousandths)},
          {"Write Constant", MilliText(r.writeConstant, r.writeConstantThousandths)}};
}

int CPipeTimeOutNode::ReadExtended() {
  return QueryDriver(PortIndex(), qxusb::kGetTimeouts, &record_, sizeof record_, nullptr);
}

void CTimeOutModeNode::Reset() { record_.word = kWordUnread; }

RowList CTimeOutModeNode::GetExtendedRows() {
  const std::uint32_t w = record_.word;
  if (w == kWordUnread) return EmptyRows({"Mode", "Request", "WaitTime", "ErrorCode"});
  return {{"Mode", ModeText(static_cast<int>(w >> 28))},
          {"Request", RequestText(static_cast<int>((w >> 24) & 0x0F))},
          {"WaitTime", FormatValue("%d", static_cast<int>((w >> 12) & 0x0FFF))},
          {"ErrorCode", FormatValue("%d", static_cast<int>(w & 0x0FFF))}};
}

int CTimeOutModeNode::ReadExtended() {
  return QueryDriver(PortIndex(), qxusb::kGetTimeoutMode, &record_.word, sizeof record_.word, nullptr);
}

void CXBStatusNode::Reset() { record_.word = kWordUnread; }

RowList CXBStatusNode::GetExtendedRows() {
  const std::uint32_t w = record_.word;
  if (w == kWordUnread) return EmptyRows({"Return", "Bit0:", "Bit1:", "Bit2:"});
  return {{"Return", FormatValue("%04X", static_cast<unsigned>(w))},
          {"Bit0:", (w & 0x1) != 0 ? "1 OffLine" : "0 OnLine"},
          {"Bit1:", (w & 0x2) != 0 ? "1 OffLineSend Mode Enabled" : "0 OffLineSend Mode Disabled"},
          {"Bit2:", (w & 0x4) != 0 ? "1 FIFO Not Empty" : "0 FIFO Empty"}};
}

int CXBStatusNode::ReadExtended() {
  return QueryDriver(PortIndex(), qxusb::kGetXbStatus, &record_.word, sizeof record_.word, nullptr);
}

}  // namespace qx
