// A scanner API library that exports only a few of the functions: it opens, takes the MICR
// callback and closes, and nothing else. It records the calls it gets for the test to read.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {
char g_calls[4096];

void Record(const char* call) {
  std::strncat(g_calls, call, sizeof g_calls - std::strlen(g_calls) - 2);
  std::strncat(g_calls, ";", sizeof g_calls - std::strlen(g_calls) - 1);
}
}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI BiOpenMonPrinter(int, const char*) {
  Record("BiOpenMonPrinter");
  return 7;
}

__declspec(dllexport) int WINAPI BiSCNMICRSetStatusBackFunction(int, void*) {
  Record("BiSCNMICRSetStatusBackFunction");
  return 0;
}

__declspec(dllexport) int WINAPI BiCloseMonPrinter(int) {
  Record("BiCloseMonPrinter");
  return 0;
}

__declspec(dllexport) const char* WINAPI PartialLibraryCalls() { return g_calls; }

}  // extern "C"
