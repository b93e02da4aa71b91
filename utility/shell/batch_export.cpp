#include "utility/shell/batch_export.h"

#include <cstdio>

#include "utility/shell/batch_gather.h"
#include "utility/shell/batch_target.h"
#include "utility/shell/file_name_guard.h"
#include "utility/shell/result_code.h"
#include "utility/shell/setting_file.h"
#include "utility/shell/setting_record.h"

namespace qx {

int RunBatchExport(const char* commandLine) {
  // The target is created (or emptied) before the gather, so an unusable path fails at once.
  BatchTarget target;
  if (PrepareBatchTarget(commandLine, target) != kResultSuccess) return kResultStartup;

  SettingRecord record{};
  int gathered = RunExtendedGatherInto(record);
  // A failed read whose cause the scanner reported with no listed bit ends the gather with 0,
  // which as an exit code would read as success: it is reported as the read failure it is.
  if (gathered == kResultNoListedCause) return kResultReadFailed;
  // The target keeps the empty state the check above left.
  if (gathered != kResultSuccess) return gathered;

  std::FILE* file = OpenGuardedFile(target.path, "wb");
  if (file == nullptr) return kResultFileWrite;
  int written = WriteSettingFile(file, record);
  // A close that cannot flush the last bytes loses them as surely as a short write.
  bool closed = std::fclose(file) == 0;
  if (written != kResultSuccess || !closed) return kResultFileWrite;
  return kExitSuccess;
}

}  // namespace qx
