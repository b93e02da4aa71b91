#include "checker/app.h"

#include <windows.h>
#include <commctrl.h>

#include "checker/messages.h"
#include "checker/wizard.h"
#include "platform/os_version.h"
#include "resources/checker_ids.h"
#include "utility/shell/windows_version_rule.h"

namespace qx::checker {

namespace {
// Every class of the common controls.
constexpr DWORD kAllCommonControls = 0xFF;
}  // namespace

CR7000CheckApp::~CR7000CheckApp() {
  if (mutex_ != nullptr) {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  PostQuitMessage(0);
}

bool CR7000CheckApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), kAllCommonControls};
  InitCommonControlsEx(&controls);

  // The same rule as the utility's: NT 5.0, 5.1 or any 6.x.
  platform::WindowsVersion version{};
  if (!platform::QueryWindowsVersion(&version) || !IsSupportedWindowsVersion(version)) {
    ShowMessage(nullptr, IDS_OS_NOT_SUPPORTED, MB_OK | MB_ICONERROR);
    return false;
  }
  // The utility creates and holds this mutex while it runs the checker.
  mutex_ = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, L"R7000Check");
  if (mutex_ == nullptr) {
    ShowMessage(nullptr, IDS_RUN_FROM_UTILITY, MB_OK | MB_ICONERROR);
    return false;
  }
  CWizard wizard;
  wizard.Run();
  return false;
}

}  // namespace qx::checker
