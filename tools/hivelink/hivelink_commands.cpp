#include "tools/hivelink/hivelink_commands.h"

#include <cstdio>
#include <cstring>

namespace qx::hivelink {

namespace {

int ExitCodeOf(int result) { return result < 0 ? -result : result; }

const char* ModeWord(KeyMode mode) { return mode == KeyMode::kDevice ? "device key" : "common key"; }

// Opens the instance in the command's mode and the command's key, reporting a failure.
int OpenCommandKey(ModuleHost& module, const Command& command, int access) {
  int result = command.mode == KeyMode::kDevice ? module.OpenDevice() : module.OpenCommon();
  if (result != kRegistryOk) {
    std::fprintf(stderr, "hivelink: the module refused to open its %s settings (result %d)\n",
                 command.mode == KeyMode::kDevice ? "device" : "common", result);
    return result;
  }
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  result = module.OpenKey(command.key, access);
  QueryPerformanceCounter(&end);
  if (result == kRegistryLockBusy) {
    long long waitedMs = (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
    std::fprintf(stderr,
                 "hivelink: %s \"%s\" is in use by another program (gave up after %lld ms); "
                 "try again when it has finished\n",
                 ModeWord(command.mode), command.key, waitedMs);
  } else if (result != kRegistryOk) {
    std::fprintf(stderr,
                 "hivelink: cannot open %s \"%s\": the name is too long for its lock or is taken by "
                 "another kind of system object (result %d)\n",
                 ModeWord(command.mode), command.key, result);
  }
  return result;
}

void ReportValueFailure(const Command& command, const char* verb, int result) {
  switch (result) {
    case kRegistryNotFound:
      if (command.action == Action::kGet) {
        std::fprintf(stderr, "hivelink: there is no value \"%s\" under %s \"%s\"\n", command.valueName,
                     ModeWord(command.mode), command.key);
      } else {
        std::fprintf(stderr, "hivelink: cannot write \"%s\": %s \"%s\" no longer exists\n", command.valueName,
                     ModeWord(command.mode), command.key);
      }
      break;
    case kRegistryNoKey:
      std::fprintf(stderr, "hivelink: cannot %s \"%s\": the module had no key open\n", verb, command.valueName);
      break;
    default:
      std::fprintf(stderr,
                   "hivelink: cannot %s \"%s\" under %s \"%s\": the key does not exist, the registry "
                   "refused access, or the value is neither a number nor a text (result %d)\n",
                   verb, command.valueName, ModeWord(command.mode), command.key, result);
      break;
  }
}

int GetNames(ModuleHost& module) {
  int result = module.OpenDevice();
  if (result != kRegistryOk) {
    std::fprintf(stderr, "hivelink: the module refused to open its device settings (result %d)\n", result);
    return ExitCodeOf(result);
  }
  char device[64];
  char port[64];
  result = module.GetDeviceName(device, sizeof device);
  if (result == kRegistryOk) result = module.GetPortName(port, sizeof port);
  module.Close();
  if (result != kRegistryOk) {
    std::fprintf(stderr, "hivelink: the module's names do not fit %u bytes (result %d)\n",
                 static_cast<unsigned>(sizeof device), result);
    return ExitCodeOf(result);
  }
  std::printf("device name: %s\nport name: %s\n", device, port);
  return kExitDone;
}

int GetValue(ModuleHost& module, const Command& command) {
  RegValue record;
  module.InitValue(&record);
  int result = module.GetValue(command.valueName, &record);
  if (result != kRegistryOk) {
    ReportValueFailure(command, "read", result);
    return result;
  }
  if (record.type == kRegValueText) {
    std::printf("%s = \"%s\" (text)\n", command.valueName,
                reinterpret_cast<const char*>(static_cast<std::uintptr_t>(record.value)));
  } else {
    std::printf("%s = %lu (number)\n", command.valueName, static_cast<unsigned long>(record.value));
  }
  module.FreeValue(&record);
  return kRegistryOk;
}

int SetValue(ModuleHost& module, const Command& command) {
  RegValue record;
  if (command.isText) {
    record = {static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(command.text)), kRegValueText};
  } else {
    record = {command.number, kRegValueNumber};
  }
  int result = module.SetValue(command.valueName, &record);
  if (result != kRegistryOk) {
    ReportValueFailure(command, "write", result);
    return result;
  }
  if (command.isText) {
    std::printf("%s = \"%s\" (text) written\n", command.valueName, command.text);
  } else {
    std::printf("%s = %lu (number) written\n", command.valueName, static_cast<unsigned long>(command.number));
  }
  return kRegistryOk;
}

int Hold(const Command& command) {
  std::printf("holding %s \"%s\"; press Enter to release it\n", ModeWord(command.mode), command.key);
  std::fflush(stdout);
  char line[16];
  while (std::fgets(line, sizeof line, stdin) != nullptr && std::strchr(line, '\n') == nullptr) {
  }
  return kRegistryOk;
}

}  // namespace

int RunCommand(ModuleHost& module, const Command& command) {
  if (command.action == Action::kNames) return GetNames(module);
  int access = command.action == Action::kSet ? kRegistryWrite : kRegistryRead;
  int result = OpenCommandKey(module, command, access);
  if (result != kRegistryOk) {
    module.Close();
    return ExitCodeOf(result);
  }
  switch (command.action) {
    case Action::kGet:
      result = GetValue(module, command);
      break;
    case Action::kSet:
      result = SetValue(module, command);
      break;
    default:
      result = Hold(command);
      break;
  }
  int closed = module.CloseKey();
  if (closed != kRegistryOk) {
    std::fprintf(stderr, "hivelink: the module could not close %s \"%s\" (result %d)\n", ModeWord(command.mode),
                 command.key, closed);
    if (result == kRegistryOk) result = closed;
  } else if (command.action == Action::kHold) {
    std::printf("released\n");
  }
  module.Close();
  return ExitCodeOf(result);
}

}  // namespace qx::hivelink
