#include "utility/shell/run_mode.h"

#include "utility/nodes/pc_error_message.h"

namespace qx {

namespace {
RunMode g_runMode = kRunModeNormal;
}

RunMode CurrentRunMode() { return g_runMode; }

void SetRunMode(RunMode mode) {
  g_runMode = mode;
  // The batch export runs with nobody at the machine: the PC-side reads fail without a box.
  SetPcErrorBoxesShown(mode != kRunModeBatch);
}

}  // namespace qx
