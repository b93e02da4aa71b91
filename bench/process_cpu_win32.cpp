#include <windows.h>

#include "bench/process_cpu.h"

namespace qx::bench {

namespace {

double Milliseconds(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return static_cast<double>(v.QuadPart) / 1e4;  // 100 ns units
}

}  // namespace

double ProcessCpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return Milliseconds(kernel) + Milliseconds(user);
}

}  // namespace qx::bench
