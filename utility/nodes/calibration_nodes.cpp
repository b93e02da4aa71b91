#include "utility/nodes/calibration_nodes.h"

#include <cstring>

#include "utility/nodes/scanner_requests.h"
#include "utility/nodes/value_format.h"

namespace qx {
namespace {

constexpr std::uint16_t kUnreadValue = 0xFFFF;

std::string Value16(std::uint16_t value) {
  return value == kUnreadValue ? std::string() : FormatValue("%02XH", value);
}

std::string Value32(std::int32_t value) {
  return value == -1 ? std::string() : FormatValue("%04XH", static_cast<unsigned>(value));
}

// Reads `count` values from `startAddress` into `values` (all of them 0xFFFF beforehand). A
// transfer that ends early leaves the values it did not deliver at 0xFFFF.
int ReadValues(int port, std::uint16_t startAddress, std::uint16_t count, std::uint16_t* values) {
  for (std::size_t i = 0; i < count; ++i) values[i] = kUnreadValue;
  std::size_t delivered = 0;
  int result = CalibrationTransfer(port, startAddress, count, values, count, &delivered);
  return result == kRequestDone ? 1 : 0;
}

// Two bytes of the calibration memory, low byte first; -1 while either is missing.
std::int32_t Word(std::uint16_t low, std::uint16_t high) {
  if (low == kUnreadValue || high == kUnreadValue) return -1;
  return static_cast<std::int32_t>(low) + static_cast<std::int32_t>(high) * 256;
}

}  // namespace

// --- CCalibrationReferenceNode

void CCalibrationReferenceNode::Reset() { std::memset(&record_, 0xFF, sizeof record_); }

int CCalibrationReferenceNode::ReadExtended() {
  // Read into aligned values; the packed record takes them byte for byte.
  std::uint16_t values[kReferenceValues];
  int result = ReadValues(PortIndex(), startAddress_, kReferenceValues, values);
  static_assert(sizeof values == sizeof record_);
  std::memcpy(&record_, values, sizeof values);
  return result;
}

RowList CCalibrationReferenceNode::GetExtendedRows() {
  RowList rows;
  rows.reserve(kReferenceValues);
  for (std::size_t i = 0; i < kReferenceValues; ++i) {
    std::uint16_t value;
    std::memcpy(&value, reinterpret_cast<const std::uint8_t*>(&record_) + 2 * i, sizeof value);
    rows.push_back({FormatValue("%03d", static_cast<int>(i + 1)), Value16(value)});
  }
  return rows;
}

// --- CCalibrationValueNode

void CCalibrationValueNode::Reset() { std::memset(&record_, 0xFF, sizeof record_); }

int CCalibrationValueNode::ReadExtended() {
  std::uint16_t v[kCalibrationValueCount];
  int result = ReadValues(PortIndex(), startAddress_, kCalibrationValueCount, v);
  if (result != 1) return 0;
  record_.afeOffset = v[0];
  record_.afeGain = v[1];
  record_.afeVoltage = v[2];
  record_.value4 = v[3];
  record_.shadingCorrection = v[4];
  record_.ledLightening = v[5];
  record_.ledEmissionTime = Word(v[6], v[7]);
  return 1;
}

RowList CCalibrationValueNode::GetExtendedRows() {
  const CalibrationValueRecord& r = record_;
  RowList rows;
  rows.push_back({"AFE offset", Value16(r.afeOffset)});
  rows.push_back({"AFE gain", Value16(r.afeGain)});
  rows.push_back({"AFE voltage", Value16(r.afeVoltage)});
  rows.push_back({"Shading correction", Value16(r.shadingCorrection)});
  rows.push_back({"LED lightening", Value16(r.ledLightening)});
  rows.push_back({"LED emission time", Value32(r.ledEmissionTime)});
  return rows;
}

// --- COtherCalibrationValueNode

void COtherCalibrationValueNode::Reset() { std::memset(&record_, 0xFF, sizeof record_); }

int COtherCalibrationValueNode::ReadExtended() {
  std::uint16_t v[kOtherValueCount];
  if (ReadValues(PortIndex(), kOtherValueAddress, kOtherValueCount, v) != 1) return 0;
  record_.calibrationStatus = Word(v[0], v[1]);
  record_.errorFactor = Word(v[2], v[3]);
  return 1;
}

RowList COtherCalibrationValueNode::GetExtendedRows() {
  RowList rows;
  rows.push_back({"Calibration status", Value32(record_.calibrationStatus)});
  rows.push_back({"Error factor", Value32(record_.errorFactor)});
  return rows;
}

}  // namespace qx
