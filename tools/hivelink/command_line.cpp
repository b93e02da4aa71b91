#include "tools/hivelink/command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qx::hivelink {

const char kUsage[] =
    "usage: hivelink name\n"
    "       hivelink device KEY get NAME\n"
    "       hivelink device KEY set NAME --number N | --text T\n"
    "       hivelink device KEY hold\n"
    "       hivelink common SUBKEY get NAME\n"
    "       hivelink common SUBKEY set NAME --number N | --text T\n"
    "       hivelink common SUBKEY hold\n"
    "\n"
    "KEY is a device class of the driver (CheckScanner, MICR, ...); SUBKEY a key below the\n"
    "driver's common settings. 'hold' keeps the key open, and so locked for every other program,\n"
    "until Enter is pressed. N is decimal or 0x hexadecimal.\n"
    "Exit codes: 0 done; 1 refused or registry failure; 2 no such value or name too long;\n"
    "3 no key open; 6 key in use by another program; 10 usage; 11 HiveLink.dll not usable.\n";

namespace {

bool Is(const char* argument, const char* word) { return std::strcmp(argument, word) == 0; }

}  // namespace

bool ParseNumber(const char* text, std::uint32_t* number) {
  if (text == nullptr || text[0] == '\0' || text[0] == '-' || text[0] == '+') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long parsed = std::strtoull(text, &end, 0);
  if (errno != 0 || *end != '\0' || parsed > 0xFFFFFFFFull) return false;
  *number = static_cast<std::uint32_t>(parsed);
  return true;
}

bool ParseCommandLine(int argc, char** argv, Command* command) {
  *command = Command{};
  if (argc == 2 && Is(argv[1], "name")) {
    command->action = Action::kNames;
    return true;
  }
  if (argc < 4) return false;
  if (Is(argv[1], "device")) {
    command->mode = KeyMode::kDevice;
  } else if (Is(argv[1], "common")) {
    command->mode = KeyMode::kCommon;
  } else {
    return false;
  }
  command->key = argv[2];
  const char* verb = argv[3];
  if (Is(verb, "hold")) {
    command->action = Action::kHold;
    return argc == 4;
  }
  if (Is(verb, "get")) {
    if (argc != 5) return false;
    command->action = Action::kGet;
    command->valueName = argv[4];
    return true;
  }
  if (!Is(verb, "set") || argc != 7) return false;
  command->action = Action::kSet;
  command->valueName = argv[4];
  if (Is(argv[5], "--text")) {
    command->isText = true;
    command->text = argv[6];
    return true;
  }
  return Is(argv[5], "--number") && ParseNumber(argv[6], &command->number);
}

}  // namespace qx::hivelink
