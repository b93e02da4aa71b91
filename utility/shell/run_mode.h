#pragma once

namespace qx {

// How the utility runs, chosen once from the command line before any window or device work.
enum RunMode : int {
  kRunModeNormal = 0,
  kRunModeBatch = 1,
  kRunModeExtended = 2,
};

RunMode CurrentRunMode();
void SetRunMode(RunMode mode);

}  // namespace qx
