#include <windows.h>

#include "utility/shell/entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) { return qx::RunUtility(commandLine); }
