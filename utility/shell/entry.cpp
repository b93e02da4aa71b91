#include "utility/shell/entry.h"

#include "platform/named_mutex.h"
#include "platform/os_version.h"
#include "platform/string_table.h"
#include "platform/user_message.h"
#include "utility/shell/batch_export.h"
#include "utility/shell/command_line.h"
#include "utility/shell/result_code.h"
#include "utility/shell/run_gui.h"
#include "utility/shell/windows_version_rule.h"

namespace qx {

namespace {

constexpr int kStringAlreadyRunning = 40007;
constexpr int kStringUnsupportedWindows = 40008;

void ShowUtilityError(int stringId) {
  char text[520];
  platform::LoadUtilityString(stringId, text, sizeof text);
  platform::ShowErrorMessage(text);
}

}  // namespace

int RunUtility(const char* commandLine) {
  // Held for the life of the process; the error paths leave its release to the process end.
  static platform::NamedMutex instanceMutex;
  if (instanceMutex.Create("QX-R7000Utility") == platform::MutexCreateResult::kAlreadyExisted) {
    instanceMutex.Release();
    instanceMutex.Close();
    ShowUtilityError(kStringAlreadyRunning);
    return kExitAlreadyRunning;
  }

  platform::WindowsVersion version{};
  if (platform::QueryWindowsVersion(&version) && !IsSupportedWindowsVersion(version)) {
    ShowUtilityError(kStringUnsupportedWindows);
    return kExitUnsupportedWindows;
  }

  RunMode mode = kRunModeNormal;
  if (ClassifyCommandLine(commandLine, &mode) != kResultSuccess) return kResultStartup;
  SetRunMode(mode);

  if (mode == kRunModeBatch) {
    int result = RunBatchExport(commandLine);
    if (result != kExitSuccess) return result;
  } else if (RunGui(mode) == kResultStartup) {
    return kResultStartup;
  }
  instanceMutex.Release();
  instanceMutex.Close();
  return kExitSuccess;
}

}  // namespace qx
