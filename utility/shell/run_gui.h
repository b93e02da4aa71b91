#pragma once

#include "utility/shell/run_mode.h"

namespace qx {

// Runs the main window in Normal or Extended mode until its message loop ends: 0, or 1001 when
// the window classes or the main window cannot be created.
int RunGui(RunMode mode);

}  // namespace qx
