#include "utility/port/udp_packet.h"

#include <cstring>

namespace qx::port {

int ReplyKindCode(std::uint8_t letter) {
  switch (letter) {
    case 'p': return kReplyKindSearch;
    case 'i': return kReplyKindI;
    case 'q': return kReplyKindQuery;
    case 's': return kReplyKindS;
    case 'c': return kReplyKindControl;
    case 'n': return kReplyKindN;
    default: return -1;
  }
}

std::size_t BuildUdpRequest(UdpRequest request, std::uint8_t* out) {
  struct Row {
    char kind;
    std::uint8_t deviceClass;
    std::uint16_t function;
    int parameter;  // -1: none
  };
  Row row{};
  switch (request) {
    case UdpRequest::kUnitIdentity: row = {'Q', 0, 0x0000, -1}; break;
    case UdpRequest::kInterfaceStatus: row = {'Q', 3, 0x0000, -1}; break;
    case UdpRequest::kDeviceStatus: row = {'Q', 3, 0x0001, -1}; break;
    case UdpRequest::kDeviceCheck: row = {'C', 3, 0x0012, 0}; break;
    case UdpRequest::kFlowOverrideOn: row = {'C', 3, 0x0015, 1}; break;
    case UdpRequest::kFlowOverrideOff: row = {'C', 3, 0x0015, 0}; break;
    case UdpRequest::kReadyQuery: row = {'Q', 3, 0x0020, -1}; break;
    case UdpRequest::kNetworkSearch: row = {'P', 0, 0x0000, -1}; break;
  }
  std::memcpy(out, "NORVA", 5);
  out[5] = static_cast<std::uint8_t>(row.kind);
  out[6] = row.deviceClass;
  out[7] = 0;
  out[8] = static_cast<std::uint8_t>(row.function >> 8);
  out[9] = static_cast<std::uint8_t>(row.function);
  out[10] = 0;
  out[11] = 0;
  out[12] = 0;
  out[13] = row.parameter < 0 ? 0 : 1;
  if (row.parameter < 0) return kUdpHeaderSize;
  out[14] = static_cast<std::uint8_t>(row.parameter);
  return kUdpHeaderSize + 1;
}

int ReplySlotOf(UdpRequest request) {
  switch (request) {
    case UdpRequest::kInterfaceStatus: return 1;
    case UdpRequest::kDeviceStatus: return 2;
    case UdpRequest::kDeviceCheck: return 3;
    case UdpRequest::kFlowOverrideOn:
    case UdpRequest::kFlowOverrideOff: return 4;
    case UdpRequest::kReadyQuery: return 5;
    case UdpRequest::kUnitIdentity: return 6;
    case UdpRequest::kNetworkSearch: return 0;
  }
  return 0;
}

int ReplySlotFor(int kind, int deviceClass, int deviceNumber, int function) {
  if (deviceNumber != 0) return 0;
  if (kind == kReplyKindQuery && deviceClass == 3) {
    switch (function) {
      case 0x0000: return 1;
      case 0x0001: return 2;
      case 0x0020: return 5;
      default: return 0;
    }
  }
  if (kind == kReplyKindControl && deviceClass == 3) {
    if (function == 0x0012) return 3;
    if (function == 0x0015) return 4;
    return 0;
  }
  if (kind == kReplyKindQuery && deviceClass == 0 && function == 0x0000) return 6;
  return 0;
}

}  // namespace qx::port
