#include <windows.h>

#include "platform/string_table.h"
#include "resources/utility_resource.h"
#include "utility/shell/main_frame_win32.h"
#include "utility/shell/result_code.h"
#include "utility/shell/run_gui.h"
#include "utility/shell/split_pane_win32.h"

namespace qx {

namespace {

constexpr int kStringVersion = 18;

bool RegisterMainClass(HINSTANCE instance, RunMode mode) {
  WNDCLASSEXA c{};
  c.cbSize = sizeof c;
  c.style = CS_DBLCLKS;
  c.lpfnWndProc = MainFrameProc;
  c.hInstance = instance;
  c.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_UTILITY), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  c.lpszMenuName = MAKEINTRESOURCEA(mode == kRunModeNormal ? IDR_MENU_NORMAL : IDR_MENU_EXTENDED);
  c.lpszClassName = kMainWindowClass;
  return RegisterClassExA(&c) != 0;
}

}  // namespace

int RunGui(RunMode mode) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  MainFrame frame;
  frame.instance = instance;
  frame.mode = mode;
  if (!RegisterPaneClasses(instance) || !RegisterMainClass(instance, mode)) return kResultStartup;

  char version[16];
  platform::LoadUtilityString(kStringVersion, version, sizeof version);
  char title[64];
  wsprintfA(title, "QX-R7000 Utility Ver.%s", version);

  RECT area{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  HWND window = CreateWindowExA(0, kMainWindowClass, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, 0,
                                (area.right - area.left) / 2, (area.bottom - area.top) / 2, nullptr, nullptr, instance,
                                &frame);
  if (window == nullptr) return kResultStartup;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  while (frame.running) {
    if (GetMessageA(&frame.message, nullptr, 0, 0) <= 0) break;
    TranslateMessage(&frame.message);
    DispatchMessageA(&frame.message);
  }
  // The frame ends with this call: the window, if Exit left it standing, no longer reaches it.
  if (IsWindow(window)) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
  return 0;
}

}  // namespace qx
