// A Windows test program that crashes on purpose: it says what it is about to do, then writes
// through a null pointer. The harness test runs it under ctest and expects a prompt failure with
// this output kept.
#include <gtest/gtest.h>

#include <cstdio>

TEST(CrashProbe, WritesThroughANullPointer) {
  std::printf("crash probe: writing through a null pointer\n");
  std::fflush(stdout);
  volatile int* nowhere = nullptr;
  *nowhere = 1;
  ADD_FAILURE() << "the write through a null pointer did not crash";
}
