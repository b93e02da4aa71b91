#pragma once

#include <cstddef>
#include <cstdint>

// Splits the byte stream the host writes to the scanner function into commands, the way the
// scanner's command interpreter does: each command is recognised by its introducer and its own
// fixed or self-described length.
namespace qx::sim {

enum class CommandId {
  kNul,               // 00: padding ahead of the request prefix
  kSelectPeripheral,  // ESC '=' n
  kInitialize,        // ESC '@'
  kIdentity,          // GS 'I' n
  kAutomaticStatus,   // GS 'a' n
  kCounter,           // GS 'g' '2' 00 n 00
  kNvRead,            // GS '(' 'C' 05 00 00 02 80 '#' d
  kErrorHistory,      // GS '(' 'C' 05 00 00 02 80 '!' 'E'
  kFunction,          // FS '|' 7F 'o' fn ~fn sub pL pH params
  kModeIn,            // FS '|' 'M' A0 "MODEIN"
  kModeOut,           // FS '|' 'M' A1 "MODEOUT"
  kModeQuery,         // FS '|' 'M' A2 n
  kCalibrationRead,   // FS '+' 00 aL aH ']' 00 nL nH 00 00
  kStatusRequest,     // DLE DC4 07 01
  kDetailRequest,     // DLE DC4 07 04
  kAck,               // ACK: next error-history block
  kContinue,          // 0x81: next calibration block
  kUnknown,           // bytes the scanner does not understand and skips
};

inline constexpr std::size_t kMaxFunctionParameters = 256;
inline constexpr std::size_t kMaxGsParenParameters = 1024;

struct Command {
  CommandId id = CommandId::kUnknown;
  std::size_t length = 0;      // bytes taken from the stream
  std::uint8_t argument = 0;   // n, d or the single parameter, by command
  std::uint8_t function = 0;   // kFunction: fn
  std::uint8_t subFunction = 0;
  std::size_t parameterOffset = 0;  // kFunction: where its parameters start in the command
  std::size_t parameterCount = 0;
  std::uint16_t address = 0;   // kCalibrationRead
  std::uint16_t count = 0;
};

enum class ParseStatus { kComplete, kNeedMore };

// Recognises the command at the start of `data`. kComplete fills `command` (length >= 1, at
// most `size`); kNeedMore means the bytes so far begin a command that is not complete yet.
ParseStatus ParseCommand(const std::uint8_t* data, std::size_t size, Command* command);

const char* CommandName(CommandId id);

}  // namespace qx::sim
