#include "sim/scanner_responder.h"

#include <algorithm>
#include <cstdio>

namespace qx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A header block: the header byte(s), the text, the terminating NUL.
Bytes Block(const char* header, const std::string& text) {
  Bytes b(header, header + std::char_traits<char>::length(header));
  b.insert(b.end(), text.begin(), text.end());
  b.push_back(0x00);
  return b;
}

std::string Hex2(unsigned value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X", value & 0xFFFFu);
  return buf;
}

// 16-bit readings that take four digits travel low byte first ("3412" is 0x1234).
std::string Hex4LowFirst(std::uint16_t value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X%02X", value & 0xFF, value >> 8);
  return buf;
}

}  // namespace

std::vector<std::uint8_t> ScannerResponder::Answer(const Command& command, const std::uint8_t* bytes) {
  // Any command other than the transfer's own acknowledgement ends a transfer in progress.
  if (command.id != CommandId::kAck && command.id != CommandId::kNul) historyOpen_ = false;
  if (command.id != CommandId::kContinue && command.id != CommandId::kNul) calibrationOpen_ = false;

  if (profile_->specialMode.active) return SpecialModeAnswer(command);

  const ScannerProfile& p = *profile_;
  switch (command.id) {
    case CommandId::kIdentity:
      return Identity(command.argument);
    case CommandId::kAutomaticStatus: {
      // The automatic status block keeps its fixed bits: 0x10 in the first byte with bits 0, 1
      // and 7 clear, bits 4 and 7 clear in the others (so no byte can read as XON or XOFF).
      const auto& s = p.automaticStatus;
      return Bytes{static_cast<std::uint8_t>((s[0] & 0x6C) | 0x10), static_cast<std::uint8_t>(s[1] & 0x6F),
                   static_cast<std::uint8_t>(s[2] & 0x6F), static_cast<std::uint8_t>(s[3] & 0x6F)};
    }
    case CommandId::kCounter:
      // A counter the scanner does not keep is answered with an empty text.
      return Block("_", p.counterAnswered[command.argument] ? p.counters[command.argument] : "");
    case CommandId::kNvRead:
      if (command.argument >= '1' && command.argument <= '9') return Block("7p@", p.nv[command.argument - '1']);
      return {};
    case CommandId::kErrorHistory:
      historyOpen_ = true;
      historyPosition_ = 0;
      return NextHistoryBlock();
    case CommandId::kAck:
      return historyOpen_ ? NextHistoryBlock() : Bytes{};
    case CommandId::kFunction:
      return Function(command, bytes);
    case CommandId::kModeIn:
      calibrationMode_ = true;
      return Bytes{'1', 0x81, 0x00};
    case CommandId::kModeOut:
      calibrationMode_ = false;
      return Bytes{'1', 0x81, 0x00};
    case CommandId::kModeQuery:
      return Bytes{'1', static_cast<std::uint8_t>(0x40 | (p.specialMode.switchOn ? 1 : 0)), 0x00};
    case CommandId::kCalibrationRead:
      calibrationOpen_ = true;
      calibrationAddress_ = std::min<std::size_t>(command.address, p.calibration.size());
      calibrationLeft_ = std::min<std::size_t>(command.count, p.calibration.size() - calibrationAddress_);
      return NextCalibrationBlock(true);
    case CommandId::kContinue:
      return calibrationOpen_ ? NextCalibrationBlock(false) : Bytes{};
    case CommandId::kStatusRequest:
      // Real-time status travels only while the driver has status exchange switched on.
      if (exchangeMode_ != 2) return {};
      return Bytes(p.errorCause.status.begin(), p.errorCause.status.end());
    case CommandId::kDetailRequest: {
      if (exchangeMode_ != 2 || !p.errorCause.detailAnswered) return {};
      Bytes b{'7', '#'};
      b.insert(b.end(), p.errorCause.detail.begin(), p.errorCause.detail.end());
      b.push_back(0x00);
      return b;
    }
    case CommandId::kInitialize:
    case CommandId::kSelectPeripheral:
    case CommandId::kNul:
    case CommandId::kUnknown:
      return {};
  }
  return {};
}

std::vector<std::uint8_t> ScannerResponder::Identity(std::uint8_t n) const {
  const ScannerProfile& p = *profile_;
  switch (n) {
    case 0x01: return Bytes{p.modelId};
    case 0x41: return Block("_", p.firmware);
    case 0x42: return Block("_", p.company);
    case 0x43: return Block("_", p.deviceName);
    case 0x44: return Block("_", p.serial);
    case 'p': return Bytes{'_', p.optionByte, 0x00};
    case '!': return Bytes{'=', 0x40, 0x40, static_cast<std::uint8_t>(0x40 | (p.multiFeed ? 0x08 : 0)), 0x00};
    default: return {};
  }
}

std::vector<std::uint8_t> ScannerResponder::Function(const Command& c, const std::uint8_t* bytes) const {
  const ScannerProfile& p = *profile_;
  const std::uint8_t* param = bytes + c.parameterOffset;
  if (c.function == 0x15 && c.subFunction == 0x8A && c.parameterCount == 1) {
    if (param[0] == 0x0E) return Block("1", p.original);
    if (param[0] == 0x1E) return p.bootMode ? Bytes{} : Block("1", "");
    return {};
  }
  if (c.function == 'f' && c.subFunction == '3' && c.parameterCount == 0) {
    return Bytes{'1', static_cast<std::uint8_t>(p.calibrationFlag), 0x00};
  }
  if (c.function == 0x0A && c.subFunction == 0x05 && c.parameterCount == 1) {
    static constexpr std::uint8_t kChannels[] = {2, 4, 5, 6, 7, 9};
    for (std::size_t i = 0; i < 6; ++i) {
      if (param[0] != kChannels[i]) continue;
      return Block("1", kChannels[i] == 9 ? Hex4LowFirst(p.adConverter[i]) : Hex2(p.adConverter[i]));
    }
    return {};
  }
  if (c.function == 'h' && c.subFunction == '4' && c.parameterCount == 2 && param[0] == 0x02 && param[1] <= 2) {
    return Block("1", p.positionOut[param[1]] ? "31" : "30");
  }
  if (c.function == 'b' && c.subFunction == '1' && c.parameterCount == 2 && param[0] >= 10 &&
      param[0] <= 18 && static_cast<std::uint8_t>(param[0] + param[1]) == 0xFF) {
    const Threshold& t = p.thresholds[param[0] - 10];
    if (!t.answered) return {};
    bool fourDigits = param[0] == 15 || param[0] == 16 || param[0] == 18;
    return Block("1", fourDigits ? Hex4LowFirst(t.value) : Hex2(t.value));
  }
  return {};
}

std::vector<std::uint8_t> ScannerResponder::NextHistoryBlock() {
  const std::string& text = profile_->errorHistory;
  std::size_t take = std::min<std::size_t>(profile_->errorHistoryBlock, text.size() - historyPosition_);
  std::string chunk = text.substr(historyPosition_, take);
  historyPosition_ += take;
  bool last = historyPosition_ >= text.size();
  if (last) historyOpen_ = false;
  return Block(last ? "7p@" : "7pA", chunk);
}

// A calibration block is N character pairs: three header pairs (start address high and low byte,
// number of values), the values, and a trailer pair holding the low byte of their sum.
std::vector<std::uint8_t> ScannerResponder::NextCalibrationBlock(bool first) {
  if (!first && calibrationLeft_ == 0) {
    calibrationOpen_ = false;
    return Bytes{0x00};
  }
  std::size_t values = std::min<std::size_t>(profile_->calibrationBlock, calibrationLeft_);
  std::string block = Hex2((calibrationAddress_ >> 8) & 0xFF) + Hex2(calibrationAddress_ & 0xFF) + Hex2(static_cast<unsigned>(values));
  unsigned sum = 0;
  for (std::size_t i = 0; i < values; ++i) {
    std::uint8_t v = profile_->calibration[calibrationAddress_ + i];
    block += Hex2(v);
    sum += v;
  }
  block += Hex2(sum & 0xFF);
  calibrationAddress_ += values;
  calibrationLeft_ -= values;
  Bytes b;
  if (first) b = {'1', 0x81};
  b.push_back('S');
  b.push_back('2');
  std::string count = Hex2(static_cast<unsigned>(block.size() / 2));
  b.insert(b.end(), count.begin(), count.end());
  b.insert(b.end(), block.begin(), block.end());
  return b;
}

// In its special operation mode the scanner answers only the identity request (with "1" "o"),
// the mode query and, on some units, the scan counter.
std::vector<std::uint8_t> ScannerResponder::SpecialModeAnswer(const Command& command) {
  const ScannerProfile& p = *profile_;
  switch (command.id) {
    case CommandId::kIdentity:
      return command.argument == 0x01 ? Block("1o", "") : Bytes{};
    case CommandId::kCounter:
      if (!p.specialMode.counterAnswered) return {};
      return Block("_", p.counters[command.argument]);
    case CommandId::kModeQuery:
      return Bytes{'1', static_cast<std::uint8_t>(0x40 | (p.specialMode.switchOn ? 1 : 0)), 0x00};
    default:
      return {};
  }
}

}  // namespace qx::sim
