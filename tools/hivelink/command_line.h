#pragma once

#include <cstdint>

namespace qx::hivelink {

enum class Action { kNames, kGet, kSet, kHold };
enum class KeyMode { kDevice, kCommon };

// One hivelink command. The texts point into the program's arguments.
struct Command {
  Action action = Action::kNames;
  KeyMode mode = KeyMode::kDevice;
  const char* key = nullptr;
  const char* valueName = nullptr;
  bool isText = false;              // set: --text, otherwise --number
  std::uint32_t number = 0;
  const char* text = nullptr;
};

// Reads `hivelink name`, `hivelink device|common KEY get NAME`,
// `hivelink device|common KEY set NAME --number N|--text T` and `hivelink device|common KEY hold`.
// false when the arguments are none of these.
bool ParseCommandLine(int argc, char** argv, Command* command);

// Decimal, or hexadecimal after 0x; the whole text, within 32 bits.
bool ParseNumber(const char* text, std::uint32_t* number);

extern const char kUsage[];

}  // namespace qx::hivelink
