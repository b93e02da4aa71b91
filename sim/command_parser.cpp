#include "sim/command_parser.h"

#include <cstring>

namespace qx::sim {
namespace {

constexpr std::uint8_t kNul = 0x00, kEsc = 0x1B, kGs = 0x1D, kFs = 0x1C, kDle = 0x10, kDc4 = 0x14,
                       kAck = 0x06, kContinue = 0x81;

ParseStatus Done(Command* command, CommandId id, std::size_t length) {
  command->id = id;
  command->length = length;
  return ParseStatus::kComplete;
}

ParseStatus ParseEsc(const std::uint8_t* d, std::size_t size, Command* c) {
  if (size < 2) return ParseStatus::kNeedMore;
  if (d[1] == '@') return Done(c, CommandId::kInitialize, 2);
  if (d[1] == '=') {
    if (size < 3) return ParseStatus::kNeedMore;
    c->argument = d[2];
    return Done(c, CommandId::kSelectPeripheral, 3);
  }
  return Done(c, CommandId::kUnknown, 2);
}

ParseStatus ParseGs(const std::uint8_t* d, std::size_t size, Command* c) {
  if (size < 2) return ParseStatus::kNeedMore;
  switch (d[1]) {
    case 'I':
    case 'a':
      if (size < 3) return ParseStatus::kNeedMore;
      c->argument = d[2];
      return Done(c, d[1] == 'I' ? CommandId::kIdentity : CommandId::kAutomaticStatus, 3);
    case 'g':
      if (size < 3) return ParseStatus::kNeedMore;
      if (d[2] != '2') return Done(c, CommandId::kUnknown, 3);
      if (size < 6) return ParseStatus::kNeedMore;
      c->argument = d[4];
      return Done(c, d[3] == 0 && d[5] == 0 ? CommandId::kCounter : CommandId::kUnknown, 6);
    case '(': {
      if (size < 5) return ParseStatus::kNeedMore;
      std::size_t parameters = d[3] + 256u * d[4];
      if (parameters > kMaxGsParenParameters) return Done(c, CommandId::kUnknown, 5);
      std::size_t length = 5 + parameters;
      if (size < length) return ParseStatus::kNeedMore;
      static constexpr std::uint8_t kMemoryRead[] = {0x00, 0x02, 0x80};
      if (d[2] == 'C' && parameters == 5 && std::memcmp(d + 5, kMemoryRead, 3) == 0) {
        if (d[8] == '#') {
          c->argument = d[9];
          return Done(c, CommandId::kNvRead, length);
        }
        if (d[8] == '!' && d[9] == 'E') return Done(c, CommandId::kErrorHistory, length);
      }
      return Done(c, CommandId::kUnknown, length);
    }
    default:
      return Done(c, CommandId::kUnknown, 2);
  }
}

bool Matches(const std::uint8_t* d, std::size_t size, const char* text, std::size_t at) {
  std::size_t n = std::strlen(text);
  return size >= at + n && std::memcmp(d + at, text, n) == 0;
}

ParseStatus ParseFsBar(const std::uint8_t* d, std::size_t size, Command* c) {
  if (size < 3) return ParseStatus::kNeedMore;
  if (d[2] == 0x7F) {
    if (size < 4) return ParseStatus::kNeedMore;
    if (d[3] != 'o') return Done(c, CommandId::kUnknown, 4);
    if (size < 9) return ParseStatus::kNeedMore;
    std::size_t parameters = d[7] + 256u * d[8];
    if (parameters > kMaxFunctionParameters) return Done(c, CommandId::kUnknown, 9);
    if (size < 9 + parameters) return ParseStatus::kNeedMore;
    c->function = d[4];
    c->subFunction = d[6];
    c->parameterOffset = 9;
    c->parameterCount = parameters;
    c->argument = parameters > 0 ? d[9 + parameters - 1] : 0;
    bool complement = static_cast<std::uint8_t>(d[4] + d[5]) == 0xFF;
    return Done(c, complement ? CommandId::kFunction : CommandId::kUnknown, 9 + parameters);
  }
  if (d[2] == 'M') {
    if (size < 4) return ParseStatus::kNeedMore;
    switch (d[3]) {
      case 0xA0:
        if (size < 10) return ParseStatus::kNeedMore;
        return Done(c, Matches(d, size, "MODEIN", 4) ? CommandId::kModeIn : CommandId::kUnknown, 10);
      case 0xA1:
        if (size < 11) return ParseStatus::kNeedMore;
        return Done(c, Matches(d, size, "MODEOUT", 4) ? CommandId::kModeOut : CommandId::kUnknown, 11);
      case 0xA2:
        if (size < 5) return ParseStatus::kNeedMore;
        c->argument = d[4];
        return Done(c, CommandId::kModeQuery, 5);
      default:
        return Done(c, CommandId::kUnknown, 4);
    }
  }
  return Done(c, CommandId::kUnknown, 3);
}

ParseStatus ParseFs(const std::uint8_t* d, std::size_t size, Command* c) {
  if (size < 2) return ParseStatus::kNeedMore;
  if (d[1] == '|') return ParseFsBar(d, size, c);
  if (d[1] == '+') {
    if (size < 11) return ParseStatus::kNeedMore;
    bool shape = d[2] == 0 && d[5] == ']' && d[6] == 0 && d[9] == 0 && d[10] == 0;
    c->address = static_cast<std::uint16_t>(d[3] | d[4] << 8);
    c->count = static_cast<std::uint16_t>(d[7] | d[8] << 8);
    return Done(c, shape ? CommandId::kCalibrationRead : CommandId::kUnknown, 11);
  }
  return Done(c, CommandId::kUnknown, 2);
}

ParseStatus ParseDle(const std::uint8_t* d, std::size_t size, Command* c) {
  if (size < 2) return ParseStatus::kNeedMore;
  if (d[1] != kDc4) return Done(c, CommandId::kUnknown, 2);
  if (size < 4) return ParseStatus::kNeedMore;
  if (d[2] == 0x07 && d[3] == 0x01) return Done(c, CommandId::kStatusRequest, 4);
  if (d[2] == 0x07 && d[3] == 0x04) return Done(c, CommandId::kDetailRequest, 4);
  return Done(c, CommandId::kUnknown, 4);
}

}  // namespace

ParseStatus ParseCommand(const std::uint8_t* data, std::size_t size, Command* command) {
  *command = Command{};
  if (size == 0) return ParseStatus::kNeedMore;
  switch (data[0]) {
    case kNul: return Done(command, CommandId::kNul, 1);
    case kEsc: return ParseEsc(data, size, command);
    case kGs: return ParseGs(data, size, command);
    case kFs: return ParseFs(data, size, command);
    case kDle: return ParseDle(data, size, command);
    case kAck: return Done(command, CommandId::kAck, 1);
    case kContinue: return Done(command, CommandId::kContinue, 1);
    default: return Done(command, CommandId::kUnknown, 1);
  }
}

const char* CommandName(CommandId id) {
  switch (id) {
    case CommandId::kNul: return "nul";
    case CommandId::kSelectPeripheral: return "select-peripheral";
    case CommandId::kInitialize: return "initialize";
    case CommandId::kIdentity: return "identity";
    case CommandId::kAutomaticStatus: return "automatic-status";
    case CommandId::kCounter: return "counter";
    case CommandId::kNvRead: return "nv-read";
    case CommandId::kErrorHistory: return "error-history";
    case CommandId::kFunction: return "function";
    case CommandId::kModeIn: return "mode-in";
    case CommandId::kModeOut: return "mode-out";
    case CommandId::kModeQuery: return "mode-query";
    case CommandId::kCalibrationRead: return "calibration-read";
    case CommandId::kStatusRequest: return "status-request";
    case CommandId::kDetailRequest: return "detail-request";
    case CommandId::kAck: return "ack";
    case CommandId::kContinue: return "continue";
    case CommandId::kUnknown: return "unknown";
  }
  return "unknown";
}

}  // namespace qx::sim
