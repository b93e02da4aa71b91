#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Faults the simulated scanner can show, per profile or switched on while it runs.
namespace qx::sim {

enum class FaultKind {
  kNoReply,        // commands are taken but never answered
  kCutReply,       // each reply stops after `count` bytes
  kXonXoff,        // XON after the first reply byte, XOFF before the last
  kBytePerRead,    // every read delivers at most one byte
  kWrongHeader,    // the first byte of a header block becomes `value`
  kLongHeader,     // header blocks are padded to `count` bytes before their NUL
  kDropLink,       // after `count` more reply bytes the device is removed from the bus
  kDelay,          // replies become readable `count` ms after the command arrived
  kWriteTimeout,   // writes end by time-out after `count` bytes
  kUnplug,         // removed from the bus when the `nth` control request `count` arrives
};

struct FaultSpec {
  FaultKind kind = FaultKind::kNoReply;
  std::uint32_t count = 0;
  std::uint8_t value = '?';
  std::uint32_t nth = 1;
  std::vector<std::uint8_t> command;  // only replies to commands starting with these bytes
};

// Parses the text form used on the control interface and in profiles: "no-reply",
// "cut N", "xon-xoff", "byte-per-read", "wrong-header [BYTE]", "long-header [N]", "drop N",
// "delay MS", "write-timeout N", each optionally followed by "on HEXBYTES"; and "unplug CODE [NTH]",
// aimed at a control request instead of a command.
bool ParseFault(const std::string& text, FaultSpec* fault, std::string* error);
std::string FaultText(const FaultSpec& fault);

}  // namespace qx::sim
