#include "utility/nodes/nv_counter_threshold_nodes.h"

#include <cstring>

#include "utility/nodes/device_nodes.h"
#include "utility/nodes/node_request.h"
#include "utility/nodes/scanner_commands.h"
#include "utility/nodes/scanner_replies.h"
#include "utility/nodes/value_format.h"

namespace qx {
namespace {

// Counter numbers of the ten slots: five counters, then the same ones + 0x80.
constexpr std::uint8_t kCounterNumbers[kCounterSlots] = {0x46, 0x3C, 0x3D, 0x3E, 0x3F,
                                                         0xC6, 0xBC, 0xBD, 0xBE, 0xBF};
constexpr const char* kCounterNames[kCounterSlots / 2] = {"Hour", "Scan", "Hopper", "Franking",
                                                          "Pocket"};

std::string CounterText(const char (&field)[kCounterTextSize]) {
  std::string text = FieldText(field);
  return text.empty() ? std::string("none") : text;
}

// Two-digit threshold: 0xFFFF unread, 0x00FF the scanner holds no value.
std::string Threshold16(std::uint16_t value, const char* format) {
  if (value == 0xFFFF) return "none";
  if (value == 0x00FF) return "not set";
  return FormatValue(format, value);
}

// Four-digit threshold: -1 unread, 0xFFFF the scanner holds no value.
std::string Threshold32(std::int32_t value, const char* format) {
  if (value == -1) return "none";
  if (value == 0xFFFF) return "not set";
  return FormatValue(format, value);
}

}  // namespace

// --- CNORVANVNode

void CNORVANVNode::Reset() { std::memset(&record_, 0, sizeof record_); }

int CNORVANVNode::ReadExtended() {
  const int port = PortIndex();
  for (std::size_t i = 0; i < kNvSlots; ++i) {
    std::uint8_t cmd[command::kNvSlotSize];
    std::memcpy(cmd, command::kNvSlot, sizeof cmd);
    cmd[sizeof cmd - 1] = static_cast<std::uint8_t>('1' + i);
    NodeReply reply;
    if (RequestAnyReply(port, cmd, sizeof cmd, &reply) != kRequestDone) return 0;
    // A slot the scanner does not support answers with another start and stays empty.
    if (ReplyStartsWith(reply.bytes, reply.length, "7p")) {
      CopyReplyText(reply.bytes, reply.length, 3, record_.slot[i], kNvSlotTextSize);
    }
  }
  return 1;
}

RowList CNORVANVNode::GetExtendedRows() {
  RowList rows;
  for (std::size_t i = 0; i < kNvSlots; ++i) {
    rows.push_back({FormatValue("#%d", static_cast<int>(i + 1)), FieldText(record_.slot[i])});
  }
  return rows;
}

// --- CMaintenanceCounterNode

CMaintenanceCounterNode::CMaintenanceCounterNode(const int* port) : CRecordNode(port) {
  ResetDeviceRecord(&record_.device);
}

void CMaintenanceCounterNode::Reset() { std::memset(&record_, 0, kMaintenanceCounterStored); }

int CMaintenanceCounterNode::ReadExtended() {
  const int port = PortIndex();
  for (std::size_t i = 0; i < kCounterSlots; ++i) {
    std::uint8_t cmd[command::kCounterSize];
    std::memcpy(cmd, command::kCounter, sizeof cmd);
    cmd[4] = kCounterNumbers[i];
    NodeReply reply;
    if (RequestAnyReply(port, cmd, sizeof cmd, &reply) != kRequestDone) return 0;
    // A counter the scanner does not keep answers with another header and stays empty.
    if (ReplyStartsWith(reply.bytes, reply.length, "_")) {
      CopyReplyText(reply.bytes, reply.length, 1, record_.counter[i], kCounterTextSize);
    }
  }
  CDeviceNode device(PortPointer());
  device.Reset();
  if (device.Read() != 1) return 0;
  std::memcpy(&record_.device, device.GetRecord(), sizeof record_.device);
  return 1;
}

RowList CMaintenanceCounterNode::GetExtendedRows() {
  // "Pocket" counts the sub pocket's sheets: shown only on a scanner with two pockets.
  const std::size_t shown = record_.device.pockets >= 2 ? 5 : 4;
  RowList rows;
  for (std::size_t i = 0; i < shown; ++i) {
    rows.push_back({kCounterNames[i],
                    FormatValue("%s/%s", CounterText(record_.counter[i]).c_str(),
                                CounterText(record_.counter[i + 5]).c_str())});
  }
  return rows;
}

// --- CThresholdValueNode

void CThresholdValueNode::Reset() { std::memset(&record_, 0xFF, sizeof record_); }

int CThresholdValueNode::ReadExtended() {
  const int port = PortIndex();
  std::memset(record_.slack1, 0, sizeof record_.slack1);
  std::memset(record_.slack2, 0, sizeof record_.slack2);
  for (std::uint8_t k = 10; k <= 18; ++k) {
    std::uint8_t cmd[command::kThresholdSize];
    std::memcpy(cmd, command::kThreshold, sizeof cmd);
    cmd[9] = k;
    cmd[10] = static_cast<std::uint8_t>(255 - k);
    NodeReply reply;
    int result = RequestBlock(port, cmd, sizeof cmd, "1", &reply);
    if (result != kRequestDone) {
      // Older firmware has no SPI information: the node does without it.
      if (k == 18) {
        record_.spiInformation = -1;
        return 1;
      }
      return 0;
    }
    const bool fourDigits = k == 15 || k == 16 || k == 18;
    int value = ReplyHexValue(reply.bytes, reply.length, 1, fourDigits ? 4 : 2);
    switch (k) {
      case 10: record_.asfDetector = static_cast<std::uint16_t>(value); break;
      case 11: record_.paperLengthDetector = static_cast<std::uint16_t>(value); break;
      case 12: record_.middleDetector = static_cast<std::uint16_t>(value); break;
      case 13: record_.frankingDetector = static_cast<std::uint16_t>(value); break;
      case 14: record_.ejectDetector = static_cast<std::uint16_t>(value); break;
      case 15: record_.doubleFeedPaperNotPresent = SwapReplyBytes(value); break;
      case 16: record_.doubleFeedPaperPresent = SwapReplyBytes(value); break;
      case 17: record_.cisDifference = static_cast<std::uint16_t>(value); break;
      default: record_.spiInformation = SwapReplyBytes(value); break;
    }
  }
  return 1;
}

RowList CThresholdValueNode::GetExtendedRows() {
  const ThresholdRecord& r = record_;
  RowList rows;
  rows.push_back({"ASF detector", Threshold16(r.asfDetector, "%02XH")});
  rows.push_back({"Paper length detector", Threshold16(r.paperLengthDetector, "%02XH")});
  rows.push_back({"Middle detector", Threshold16(r.middleDetector, "%02XH")});
  rows.push_back({"Franking detector", Threshold16(r.frankingDetector, "%02XH")});
  rows.push_back({"Eject detector", Threshold16(r.ejectDetector, "%02XH")});
  rows.push_back({"Double-feed(Paper not present)",
                  Threshold32(r.doubleFeedPaperNotPresent, "%04XH")});
  rows.push_back({"Double-feed(Paper present)", Threshold32(r.doubleFeedPaperPresent, "%04XH")});
  rows.push_back({"Difference of CIS", Threshold16(r.cisDifference, "%d")});
  rows.push_back({"SPI Information", Threshold32(r.spiInformation, "%d")});
  return rows;
}

}  // namespace qx
