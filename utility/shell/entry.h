#pragma once

namespace qx {

// The utility's entry: single instance, Windows version, run mode, then the main window or the
// batch export. Takes the command line after the program name; returns the process exit code.
int RunUtility(const char* commandLine);

}  // namespace qx
