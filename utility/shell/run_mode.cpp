#include "utility/shell/run_mode.h"

namespace qx {

namespace {
RunMode g_runMode = kRunModeNormal;
}

RunMode CurrentRunMode() { return g_runMode; }

void SetRunMode(RunMode mode) { g_runMode = mode; }

}  // namespace qx
