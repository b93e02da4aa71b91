// The stand-in NorvaScanApiWrapper.dll as any caller sees it: every name of the checker's binding
// list exported undecorated with the standard calling convention, the functions the checker does
// not call answering ERR_NOT_SUPPORT, and what it answers without a scanner behind it.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "checker/scanner_blocks.h"
#include "checker/scanner_functions.h"

namespace qx::checker {
namespace {

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // No simulator: the library must find no scanner.
    SetEnvironmentVariableA("QXR7000_SIM", nullptr);
    library_ = LoadLibraryW(L"NorvaScanApiWrapper.dll");
    ASSERT_NE(library_, nullptr) << GetLastError();
  }
  void TearDown() override {
    if (library_ != nullptr) FreeLibrary(library_);
  }
  template <typename F>
  F Bound(const char* name) {
    return reinterpret_cast<F>(GetProcAddress(library_, name));
  }
  HMODULE library_ = nullptr;
};

TEST_F(LibraryTest, EveryNameOfTheBindingListIsExportedUndecorated) {
  std::set<std::string> distinct;
  for (const BoundName& entry : kBindingList) {
    EXPECT_NE(GetProcAddress(library_, entry.name), nullptr) << entry.name;
    distinct.insert(entry.name);
  }
  EXPECT_EQ(distinct.size(), 67u);
  EXPECT_EQ(GetProcAddress(library_, "_BiOpenMonPrinter@8"), nullptr);
  EXPECT_EQ(GetProcAddress(library_, "BiOpenMonPrinter@8"), nullptr);
}

TEST_F(LibraryTest, FunctionsTheCheckerDoesNotCallAnswerNotSupported) {
  // Called through standard-call pointers: a wrong argument count would unbalance the stack.
  auto buzzer = Bound<int(WINAPI*)(int, int, int)>("BiRingBuzzer");
  auto crop = Bound<int(WINAPI*)(int, int, int, int, int, int)>("BiESCNDefineCropArea");
  auto reset = Bound<int(WINAPI*)(int)>("BiResetPrinter");
  ASSERT_TRUE(buzzer && crop && reset);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(buzzer(1, 2, 3), kErrNotSupport);
    EXPECT_EQ(crop(1, 2, 3, 4, 5, 6), kErrNotSupport);
    EXPECT_EQ(reset(1), kErrNotSupport);
  }
}

TEST_F(LibraryTest, WithoutAScannerOpenFindsNoneAndHandlesAreRefused) {
  auto open = Bound<int(WINAPI*)(int, const char*)>("BiOpenMonPrinter");
  auto status = Bound<int(WINAPI*)(int, std::uint32_t*)>("BiGetStatus");
  auto close = Bound<int(WINAPI*)(int)>("BiCloseMonPrinter");
  auto post = Bound<int(WINAPI*)(int, void*, int)>("BiSCNMICRFunctionPostPrint");
  ASSERT_TRUE(open && status && close && post);
  EXPECT_EQ(open(2, "QX-R7000U"), kErrNoPrinter);
  EXPECT_EQ(open(2, "QX-R7000"), kErrParam);
  EXPECT_EQ(open(1, "QX-R7000U"), kErrParam);
  std::uint32_t word = 0;
  EXPECT_EQ(status(1, &word), -60);  // ERR_HANDLE
  EXPECT_EQ(post(1, nullptr, kStartScan), -60);
  EXPECT_EQ(close(1), -60);
}

}  // namespace
}  // namespace qx::checker
