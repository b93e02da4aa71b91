#include "utility/shell/batch_export.h"

#include <cstdio>

#include "utility/shell/result_code.h"

namespace qx {

int RunBatchExport(const char*) {
  std::fprintf(stderr, "The batch export is not built yet.\n");
  return kResultStartup;
}

}  // namespace qx
