#include <cstdio>

#include "utility/shell/result_code.h"
#include "utility/shell/run_gui.h"

namespace qx {

int RunGui(RunMode) {
  std::fprintf(stderr,
               "The QX-R7000 Utility window exists only on Windows; use /r7000 NAME to export a "
               "setting file.\n");
  return kResultStartup;
}

}  // namespace qx
