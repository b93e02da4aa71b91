#include <windows.h>

#include "checker/app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  qx::checker::CR7000CheckApp app;
  app.InitInstance();
  return 0;
}
