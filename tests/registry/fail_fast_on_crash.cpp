// A crash in a test program ends it at once with the exception code, instead of leaving it to
// whatever debugger the Wine prefix would start.
#include <windows.h>

namespace {

LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* exception) {
  ExitProcess(exception->ExceptionRecord->ExceptionCode);
}

const bool installed = [] {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(EndOnCrash);
  return true;
}();

}  // namespace
