// hivelink: reads and writes the scanner driver's settings through HiveLink.dll, as a host of the
// driver stack does, for technicians.
#include <cstdio>
#include <cstring>

#include "registry/driver_key_lists.h"
#include "tools/hivelink/command_line.h"
#include "tools/hivelink/hivelink_commands.h"
#include "tools/hivelink/module_host.h"

int main(int argc, char** argv) {
  using namespace qx::hivelink;
  Command command;
  if (!ParseCommandLine(argc, argv, &command)) {
    std::fputs(kUsage, stderr);
    std::fputs("Device classes:", stderr);
    for (const char* key : qx::registry::kDeviceClassKeys) {
      const char* separator = std::strrchr(key, '\\');
      std::fprintf(stderr, " %s", separator != nullptr ? separator + 1 : key);
    }
    std::fputs("\n", stderr);
    return kExitUsage;
  }
  char path[MAX_PATH];
  ProgramFolder(path, sizeof path - 16);
  std::strcat(path, "HiveLink.dll");
  ModuleHost module;
  if (!module.Load(path)) {
    std::fprintf(stderr, "hivelink: cannot use %s (missing, not loadable, or no instance made)\n", path);
    return kExitModuleUnusable;
  }
  return RunCommand(module, command);
}
