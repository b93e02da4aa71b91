#include <cstdio>

#include "utility/shell/result_code.h"
#include "utility/shell/run_gui.h"

namespace qx {

int RunGui(RunMode) {
  std::fprintf(stderr, "The main window is not built yet.\n");
  return kResultStartup;
}

}  // namespace qx
