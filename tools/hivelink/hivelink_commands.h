#pragma once

#include "tools/hivelink/command_line.h"
#include "tools/hivelink/module_host.h"

namespace qx::hivelink {

// Exit codes: a module result r < 0 ends the program with -r.
constexpr int kExitDone = 0;
constexpr int kExitUsage = 10;
constexpr int kExitModuleUnusable = 11;

// Runs one command on a loaded module, printing the outcome to standard output and every failure,
// in words a technician can act on, to standard error. Answers the exit code.
int RunCommand(ModuleHost& module, const Command& command);

}  // namespace qx::hivelink
