#include "utility/port/ethernet_info.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "utility/port/usb_info.h"

namespace qx::port {

namespace {

void SetText(char* field, std::size_t size, const char* text) { std::snprintf(field, size, "%s", text); }

}  // namespace

void FormatMacText(const std::uint8_t* b, char* out, std::size_t size) {
  if (size == 0) return;
  std::snprintf(out, size, "%02X:%02X:%02X:%02X:%02X:%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
}

void ClearEthernetInfo(EthernetInfo& info) {
  std::memset(&info, 0, sizeof info);
  info.interfaceKind = 1;
}

void FillIdentity(EthernetInfo& info, const std::uint8_t* p, int length) {
  // The name is whatever text the parameters hold, cut at the field, the bytes that came and
  // the first zero byte.
  const std::size_t available = static_cast<std::size_t>(std::clamp(length, 0, static_cast<int>(kUdpMaxParameters)));
  const std::size_t limit = std::min(available, sizeof info.unitName - 1);
  std::size_t n = 0;
  while (n < limit && p[n] != 0) ++n;
  std::memcpy(info.unitName, p, n);
  info.unitName[n] = '\0';
  FormatVersionText(info.hardwareVersion, sizeof info.hardwareVersion, p[36], p[37]);
  FormatVersionText(info.softwareVersion, sizeof info.softwareVersion, p[38], p[39]);
  info.hardwareVersionNumber = p[36] * 256 + p[37];
  info.softwareVersionNumber = p[38] * 256 + p[39];
  FormatMacText(p + 40, info.macAddress, sizeof info.macAddress);
}

void SetBoardModelClass(EthernetInfo& info, std::uint8_t hardwareMajor) {
  const char* code = hardwareMajor == 1 ? "XB1" : hardwareMajor == 2 ? "XB2" : "XBX";
  SetText(info.modelClass, sizeof info.modelClass, code);
}

void SetUnitModelClass(EthernetInfo& info, const std::uint8_t* status) {
  const char* code = "R7X";
  if (std::memcmp(status + 6, "R700", 4) == 0) code = "R7S";
  else if (std::memcmp(status + 6, "R7NE", 4) == 0) code = "R7N";
  SetText(info.modelClass, sizeof info.modelClass, code);
}

bool IsInterfaceBoard(const std::uint8_t* parameters, int length) {
  return length >= 4 && std::memcmp(parameters, "XB-E", 4) == 0;
}

}  // namespace qx::port
