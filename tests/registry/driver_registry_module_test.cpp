// HiveLink.dll through the 12 operations a host calls, over the real (Wine) registry.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include "registry/driver_registry.h"
#include "tests/registry/console_process.h"
#include "tests/registry/reg_tool.h"
#include "tools/hivelink/module_host.h"

namespace qx::test {
namespace {

using hivelink::ModuleHost;

constexpr char kTestKey[] = "HiveLinkTest";
constexpr char kCheckScannerLock[] = "TORVIK:Driver Registry Open Synchronized - _DriverInfo_CheckScanner";

std::uint32_t Word(const void* pointer) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer)); }
const char* TextOf(const RegValue& record) {
  return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(record.value));
}

class Module : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Load((TestProgramFolder() + "HiveLink.dll").c_str()));
    RegDelete(DeviceKeyLocation(kTestKey));
  }
  void TearDown() override { RegDelete(DeviceKeyLocation(kTestKey)); }

  static bool Loaded(ModuleHost& other) { return other.Load((TestProgramFolder() + "HiveLink.dll").c_str()); }

  ModuleHost module_;
};

// Runs `work` on a thread of its own and waits for it.
template <typename Work>
void OnOtherThread(Work work) {
  std::thread thread(work);
  thread.join();
}

// True when the process heap holds `block` as an allocated block.
bool HeapHoldsBlock(const void* block) {
  HANDLE heap = GetProcessHeap();
  bool held = false;
  HeapLock(heap);
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry)) {
    if (entry.lpData == block && (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) held = true;
  }
  HeapUnlock(heap);
  return held;
}

TEST_F(Module, AnInstanceOpensInOneModeAtATime) {
  EXPECT_EQ(module_.Close(), -1);
  EXPECT_EQ(module_.OpenDevice(), 0);
  EXPECT_EQ(module_.OpenDevice(), -1);
  EXPECT_EQ(module_.OpenDeviceAlt(), -1);
  EXPECT_EQ(module_.OpenCommon(), -1);
  EXPECT_EQ(module_.Close(), 0);
  EXPECT_EQ(module_.Close(), -1);
  EXPECT_EQ(module_.OpenDeviceAlt(), 0);
  EXPECT_EQ(module_.Close(), 0);
  EXPECT_EQ(module_.OpenCommon(), 0);
  EXPECT_EQ(module_.OpenCommon(), -1);
  EXPECT_EQ(module_.OpenDevice(), -1);
  EXPECT_EQ(module_.Close(), 0);
}

TEST_F(Module, AClosedInstanceRefusesEveryOperationButInitAndFree) {
  char name[16];
  RegValue record{5u, kRegValueNumber};
  EXPECT_EQ(module_.GetDeviceName(name, sizeof name), -1);
  EXPECT_EQ(module_.GetPortName(name, sizeof name), -1);
  EXPECT_EQ(module_.OpenKey(kTestKey, kRegistryRead), -1);
  EXPECT_EQ(module_.CloseKey(), -1);
  EXPECT_EQ(module_.GetValue("Value", &record), -1);
  EXPECT_EQ(module_.SetValue("Value", &record), -1);
  EXPECT_EQ(module_.InitValue(&record), &record);
  EXPECT_EQ(record.value, 0u);
  EXPECT_EQ(record.type, 0u);
  EXPECT_EQ(module_.InitValue(nullptr), nullptr);
  module_.FreeValue(nullptr);
}

TEST_F(Module, NamesAreCopiedWholeWithTheirTerminatorOrNotAtAll) {
  ASSERT_EQ(module_.OpenDevice(), 0);
  char name[16];
  std::memset(name, 'z', sizeof name);
  EXPECT_EQ(module_.GetDeviceName(name, 8), -2);
  EXPECT_EQ(std::string(name, sizeof name), std::string(sizeof name, 'z')) << "nothing may be copied";
  EXPECT_EQ(module_.GetDeviceName(name, 9), 0);
  EXPECT_EQ(std::string(name, 9), std::string("QX-R7000", 9));
  EXPECT_EQ(name[9], 'z');
  EXPECT_EQ(module_.GetPortName(name, 4), -2);
  EXPECT_EQ(module_.GetPortName(name, 5), 0);
  EXPECT_STREQ(name, "USB1");
  EXPECT_EQ(module_.GetDeviceName(nullptr, 9), -1);
  EXPECT_EQ(module_.GetDeviceName(name, 0), -1);
  ASSERT_EQ(module_.Close(), 0);

  ASSERT_EQ(module_.OpenCommon(), 0);
  std::memset(name, 'z', sizeof name);
  EXPECT_EQ(module_.GetDeviceName(name, 1), 0);
  EXPECT_EQ(name[0], '\0');
  EXPECT_EQ(name[1], 'z');
  name[0] = 'z';
  EXPECT_EQ(module_.GetPortName(name, 1), 0);
  EXPECT_EQ(name[0], '\0');
}

TEST_F(Module, KeyOperationsCheckArgumentsBeforeTheOpenKey) {
  ASSERT_EQ(module_.OpenDevice(), 0);
  RegValue record{1u, kRegValueNumber};
  EXPECT_EQ(module_.CloseKey(), -3);
  EXPECT_EQ(module_.GetValue("Value", &record), -3);
  EXPECT_EQ(module_.SetValue("Value", &record), -3);
  RegValue wrongType{1u, 3u};
  RegValue noText{0u, kRegValueText};
  EXPECT_EQ(module_.SetValue("Value", &wrongType), -1);
  EXPECT_EQ(module_.SetValue("Value", &noText), -1);
  EXPECT_EQ(module_.SetValue(nullptr, &record), -1);
  EXPECT_EQ(module_.GetValue("Value", nullptr), -1);
  EXPECT_EQ(module_.OpenKey(nullptr, kRegistryRead), -1);

  ASSERT_EQ(module_.OpenKey(kTestKey, kRegistryWrite), 0);
  EXPECT_EQ(module_.OpenKey(kTestKey, kRegistryWrite), -1);
  EXPECT_EQ(module_.OpenKey("MICR", kRegistryWrite), -1);
  EXPECT_EQ(module_.SetValue("Value", &wrongType), -1);
  EXPECT_EQ(module_.SetValue("Value", &noText), -1);
  EXPECT_EQ(module_.CloseKey(), 0);
  EXPECT_EQ(module_.CloseKey(), -3);
}

TEST_F(Module, NumbersAndTextsComeBackWithTheirTypesAndTextsAreFreedByFreeValue) {
  ASSERT_EQ(module_.OpenDevice(), 0);
  ASSERT_EQ(module_.OpenKey(kTestKey, kRegistryWrite), 0);
  RegValue number{0xDEADBEEFu, kRegValueNumber};
  const char label[] = "Teller 4";
  RegValue text{Word(label), kRegValueText};
  ASSERT_EQ(module_.SetValue("Number", &number), 0);
  ASSERT_EQ(module_.SetValue("Label", &text), 0);

  RegValue record{};
  ASSERT_EQ(module_.GetValue("Number", &record), 0);
  EXPECT_EQ(record.type, static_cast<std::uint32_t>(kRegValueNumber));
  EXPECT_EQ(record.value, 0xDEADBEEFu);
  module_.FreeValue(&record);

  ASSERT_EQ(module_.GetValue("Label", &record), 0);
  ASSERT_EQ(record.type, static_cast<std::uint32_t>(kRegValueText));
  EXPECT_STREQ(TextOf(record), label);
  void* block = reinterpret_cast<void*>(static_cast<std::uintptr_t>(record.value));
  EXPECT_TRUE(HeapHoldsBlock(block)) << "texts are blocks of the process heap";
  module_.FreeValue(&record);
  EXPECT_FALSE(HeapHoldsBlock(block)) << "FreeValue must give the text back";
  EXPECT_EQ(record.value, 0u);
  EXPECT_EQ(record.type, 0u);

  RegValue untouched{0x11111111u, 0x22222222u};
  EXPECT_EQ(module_.GetValue("Missing", &untouched), -2);
  EXPECT_EQ(untouched.value, 0x11111111u);
  EXPECT_EQ(untouched.type, 0x22222222u);
  EXPECT_EQ(module_.CloseKey(), 0);
}

TEST_F(Module, ValuesWrittenThroughTheModuleAreWhereRegShowsThem) {
  const std::string sub = "HiveLinkTest\\Sub";
  RegDelete(CommonKeyLocation("HiveLinkTest"));
  const std::string longText(100000, 'q');
  ASSERT_EQ(module_.OpenDevice(), 0);
  ASSERT_EQ(module_.OpenKey(kTestKey, kRegistryWrite), 0);
  RegValue number{42u, kRegValueNumber};
  RegValue text{Word("front and back"), kRegValueText};
  RegValue big{Word(longText.c_str()), kRegValueText};
  EXPECT_EQ(module_.SetValue("Speed", &number), 0);
  EXPECT_EQ(module_.SetValue("Faces", &text), 0);
  EXPECT_EQ(module_.SetValue("Big", &big), 0);
  RegValue record{};
  ASSERT_EQ(module_.GetValue("Big", &record), 0);
  EXPECT_EQ(std::strlen(TextOf(record)), longText.size()) << "the one-byte buffer grows to the whole text";
  EXPECT_EQ(TextOf(record), longText);
  module_.FreeValue(&record);
  ASSERT_EQ(module_.CloseKey(), 0);
  ASSERT_EQ(module_.Close(), 0);

  ASSERT_EQ(module_.OpenCommon(), 0);
  ASSERT_EQ(module_.OpenKey(sub.c_str(), kRegistryWrite), 0);
  RegValue mode{3u, kRegValueNumber};
  EXPECT_EQ(module_.SetValue("Mode", &mode), 0);
  ASSERT_EQ(module_.CloseKey(), 0);

  RegShown speed = RegQuery(DeviceKeyLocation(kTestKey), "Speed");
  EXPECT_EQ(speed.type, "REG_DWORD");
  EXPECT_EQ(speed.data, "0x2a");
  RegShown faces = RegQuery(DeviceKeyLocation(kTestKey), "Faces");
  EXPECT_EQ(faces.type, "REG_SZ");
  EXPECT_EQ(faces.data, "front and back");
  RegShown commonMode = RegQuery(CommonKeyLocation(sub), "Mode");
  EXPECT_EQ(commonMode.type, "REG_DWORD");
  EXPECT_EQ(commonMode.data, "0x3");
  RegDelete(CommonKeyLocation("HiveLinkTest"));
}

TEST_F(Module, ValuesAddedByRegAreReadWithTheirTypes) {
  const std::string key = DeviceKeyLocation(kTestKey);
  const std::string longText(3000, 'w');
  ASSERT_TRUE(RegAdd(key, "Count", "REG_DWORD", "7"));
  ASSERT_TRUE(RegAdd(key, "Owner", "REG_SZ", "Branch 12"));
  ASSERT_TRUE(RegAdd(key, "Folder", "REG_EXPAND_SZ", "%SystemRoot%\\qx"));
  ASSERT_TRUE(RegAdd(key, "Long", "REG_SZ", longText));
  ASSERT_TRUE(RegAdd(key, "Empty", "REG_SZ", ""));
  ASSERT_TRUE(RegAdd(key, "Blob", "REG_BINARY", "0102"));

  ASSERT_EQ(module_.OpenDevice(), 0);
  ASSERT_EQ(module_.OpenKey(kTestKey, kRegistryRead), 0);
  RegValue record{};
  ASSERT_EQ(module_.GetValue("Count", &record), 0);
  EXPECT_EQ(record.type, static_cast<std::uint32_t>(kRegValueNumber));
  EXPECT_EQ(record.value, 7u);
  for (const auto& [name, expected] : {std::pair<const char*, std::string>{"Owner", "Branch 12"},
                                       {"Folder", "%SystemRoot%\\qx"},
                                       {"Long", longText},
                                       {"Empty", ""}}) {
    ASSERT_EQ(module_.GetValue(name, &record), 0) << name;
    EXPECT_EQ(record.type, static_cast<std::uint32_t>(kRegValueText)) << name;
    EXPECT_EQ(TextOf(record), expected) << name;
    module_.FreeValue(&record);
  }
  EXPECT_EQ(module_.GetValue("Blob", &record), -1) << "neither a number nor a text";
  EXPECT_EQ(record.type, 0u);
  EXPECT_EQ(module_.CloseKey(), 0);
}

TEST_F(Module, ATextStoredWithoutTerminatorIsReadTerminated) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\NORVA\\OPOS\\DriverInfo\\HiveLinkTest\\QX-R7000", 0,
                            nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const char bare[] = {'a', 'b', 'c', 'd'};
  ASSERT_EQ(RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare), sizeof bare), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(module_.OpenDevice(), 0);
  ASSERT_EQ(module_.OpenKey(kTestKey, kRegistryRead), 0);
  RegValue record{};
  ASSERT_EQ(module_.GetValue("Bare", &record), 0);
  EXPECT_STREQ(TextOf(record), "abcd");
  module_.FreeValue(&record);
  EXPECT_EQ(module_.CloseKey(), 0);
}

TEST_F(Module, ReadAccessNeitherCreatesAKeyNorWritesToOne) {
  ASSERT_EQ(module_.OpenDevice(), 0);
  // The failed registry open is not the open key's concern; the reads and writes report it.
  ASSERT_EQ(module_.OpenKey(kTestKey, kRegistryRead), 0);
  RegValue record{1u, kRegValueNumber};
  EXPECT_EQ(module_.GetValue("Speed", &record), -1);
  EXPECT_EQ(module_.SetValue("Speed", &record), -1);
  EXPECT_EQ(module_.CloseKey(), 0);
  EXPECT_FALSE(RegKeyExists(DeviceKeyLocation(kTestKey)));

  ASSERT_EQ(module_.OpenKey(kTestKey, kRegistryWrite), 0);
  EXPECT_EQ(module_.SetValue("Speed", &record), 0);
  EXPECT_EQ(module_.CloseKey(), 0);
  ASSERT_EQ(module_.OpenKey(kTestKey, kRegistryRead), 0);
  EXPECT_EQ(module_.SetValue("Speed", &record), -1) << "a key opened for reading refuses writes";
  EXPECT_EQ(module_.CloseKey(), 0);
}

TEST_F(Module, TheLockIsANamedMutexNamedAfterTheKeyPath) {
  ASSERT_EQ(module_.OpenDevice(), 0);
  ASSERT_EQ(module_.OpenKey("CheckScanner", kRegistryRead), 0);
  HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, kCheckScannerLock);
  ASSERT_NE(lock, nullptr);
  DWORD waited = 0;
  OnOtherThread([&] { waited = WaitForSingleObject(lock, 0); });
  EXPECT_EQ(waited, static_cast<DWORD>(WAIT_TIMEOUT)) << "the open key holds its lock";
  EXPECT_EQ(module_.CloseKey(), 0);
  OnOtherThread([&] {
    waited = WaitForSingleObject(lock, 0);
    if (waited == WAIT_OBJECT_0) ReleaseMutex(lock);
  });
  EXPECT_EQ(waited, static_cast<DWORD>(WAIT_OBJECT_0)) << "CloseKey gives the lock back";
  CloseHandle(lock);
  ASSERT_EQ(module_.Close(), 0);

  ASSERT_EQ(module_.OpenCommon(), 0);
  ASSERT_EQ(module_.OpenKey("Sub\\Key", kRegistryRead), 0);
  lock = OpenMutexA(SYNCHRONIZE, FALSE, "TORVIK:Driver Registry Open Synchronized - Common Key : Sub_Key");
  EXPECT_NE(lock, nullptr);
  if (lock != nullptr) CloseHandle(lock);
  EXPECT_EQ(module_.CloseKey(), 0);
}

TEST_F(Module, AKeyLockedElsewhereGivesMinus6AfterTheWaitAndOtherKeysStillOpen) {
  HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    HANDLE lock = CreateMutexA(nullptr, TRUE, kCheckScannerLock);
    SetEvent(taken);
    WaitForSingleObject(release, INFINITE);
    ReleaseMutex(lock);
    CloseHandle(lock);
  });
  WaitForSingleObject(taken, INFINITE);
  ASSERT_EQ(module_.OpenDevice(), 0);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  int result = module_.OpenKey("CheckScanner", kRegistryRead);
  QueryPerformanceCounter(&end);
  EXPECT_EQ(result, -6);
  std::printf("[ measured ] OpenKey of a key held by another thread gave up after %.1f ms\n",
              (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
  EXPECT_EQ(module_.CloseKey(), -3) << "no key is open after -6";
  EXPECT_EQ(module_.OpenKey("MICR", kRegistryRead), 0);
  EXPECT_EQ(module_.CloseKey(), 0);
  SetEvent(release);
  holder.join();
  EXPECT_EQ(module_.OpenKey("CheckScanner", kRegistryRead), 0);
  EXPECT_EQ(module_.CloseKey(), 0);
  CloseHandle(taken);
  CloseHandle(release);
}

TEST_F(Module, TheLockDoesNotExcludeTheThreadThatHoldsIt) {
  ModuleHost second;
  ASSERT_TRUE(Loaded(second));
  ASSERT_EQ(module_.OpenDevice(), 0);
  ASSERT_EQ(second.OpenDevice(), 0);
  ASSERT_EQ(module_.OpenKey("CheckScanner", kRegistryRead), 0);
  EXPECT_EQ(second.OpenKey("CheckScanner", kRegistryRead), 0) << "a mutex can be taken again by its owner";
  EXPECT_EQ(second.CloseKey(), 0);
  int fromOtherThread = 0;
  OnOtherThread([&] {
    ModuleHost third;
    if (Loaded(third) && third.OpenDevice() == 0) fromOtherThread = third.OpenKey("CheckScanner", kRegistryRead);
  });
  EXPECT_EQ(fromOtherThread, -6) << "the first instance still holds the key";
  EXPECT_EQ(module_.CloseKey(), 0);
}

TEST_F(Module, ALockLeftByAThreadThatEndedCountsAsTaken) {
  HANDLE left = nullptr;
  OnOtherThread([&] { left = CreateMutexA(nullptr, TRUE, kCheckScannerLock); });  // ends owning it
  ASSERT_NE(left, nullptr);
  ASSERT_EQ(module_.OpenDevice(), 0);
  EXPECT_EQ(module_.OpenKey("CheckScanner", kRegistryRead), 0);
  EXPECT_EQ(module_.CloseKey(), 0);
  CloseHandle(left);
}

TEST_F(Module, ALockNameTheSystemCannotGiveAMutexIsRefusedWithoutTouchingTheRegistry) {
  // The name belongs to an event: no mutex, so no lock and no registry call.
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE,
                              "TORVIK:Driver Registry Open Synchronized - _DriverInfo_HiveLinkTest");
  ASSERT_NE(event, nullptr);
  ASSERT_EQ(module_.OpenDevice(), 0);
  EXPECT_EQ(module_.OpenKey(kTestKey, kRegistryWrite), -1);
  EXPECT_EQ(module_.CloseKey(), -3);
  EXPECT_FALSE(RegKeyExists(DeviceKeyLocation(kTestKey))) << "a write open would have created the key";
  CloseHandle(event);

  // The longest key whose lock name the "A" API takes (259 characters) opens; one more does not.
  const std::size_t fixed = std::strlen("TORVIK:Driver Registry Open Synchronized - _DriverInfo_");
  std::string longest(259 - fixed, 'k');
  EXPECT_EQ(module_.OpenKey(longest.c_str(), kRegistryRead), 0);
  EXPECT_EQ(module_.CloseKey(), 0);
  std::string tooLong = longest + "k";
  EXPECT_EQ(module_.OpenKey(tooLong.c_str(), kRegistryWrite), -1);
  EXPECT_EQ(module_.CloseKey(), -3);
  EXPECT_FALSE(RegKeyExists(DeviceKeyLocation(tooLong)));
}

TEST_F(Module, DeletingAnInstanceWithAKeyOpenGivesItsLockBack) {
  ASSERT_EQ(module_.OpenDevice(), 0);
  ASSERT_EQ(module_.OpenKey("CheckScanner", kRegistryRead), 0);
  // Another party's handle keeps the mutex alive past the instance, as a waiting process does.
  HANDLE waiter = OpenMutexA(SYNCHRONIZE, FALSE, kCheckScannerLock);
  ASSERT_NE(waiter, nullptr);
  module_.Unload();
  // This thread is still alive: a lock it had kept would make every other thread wait.
  int result = 0;
  OnOtherThread([&] {
    ModuleHost other;
    if (!Loaded(other) || other.OpenDevice() != 0) return;
    result = other.OpenKey("CheckScanner", kRegistryRead);
    other.CloseKey();
  });
  EXPECT_EQ(result, 0);
  CloseHandle(waiter);
}

TEST_F(Module, OnlyTheThreadThatOpenedAKeyCanCloseIt) {
  ASSERT_EQ(module_.OpenDevice(), 0);
  ASSERT_EQ(module_.OpenKey("CheckScanner", kRegistryRead), 0);
  int closedElsewhere = 0;
  int instanceClosedElsewhere = 0;
  int openedByOther = 0;
  OnOtherThread([&] {
    closedElsewhere = module_.CloseKey();
    instanceClosedElsewhere = module_.Close();
    ModuleHost other;
    if (Loaded(other) && other.OpenDevice() == 0) openedByOther = other.OpenKey("CheckScanner", kRegistryRead);
  });
  EXPECT_EQ(closedElsewhere, -1);
  EXPECT_EQ(instanceClosedElsewhere, -1);
  EXPECT_EQ(openedByOther, -6) << "the key must still be locked";
  EXPECT_EQ(module_.CloseKey(), 0);
  EXPECT_EQ(module_.Close(), 0);
}

TEST_F(Module, TwoThreadsOnOneInstanceNeverShareAnOpenKey) {
  ASSERT_EQ(module_.OpenDevice(), 0);
  constexpr int kRounds = 2000;
  std::atomic<int> opened{0}, refused{0}, wrong{0}, ready{0};
  auto rounds = [&](std::uint32_t mark) {
    for (++ready; ready.load() < 2;) {
    }
    for (int round = 0; round < kRounds; ++round) {
      int result = module_.OpenKey(kTestKey, kRegistryWrite);
      if (result == -1) {
        ++refused;
        continue;
      }
      if (result != 0) {
        ++wrong;
        continue;
      }
      ++opened;
      // Mostly opens and closes, where the state changes; now and then a value through the key.
      if (round % 8 == 0) {
        RegValue written{mark + static_cast<std::uint32_t>(round), kRegValueNumber};
        RegValue read{};
        if (module_.SetValue("Round", &written) != 0 || module_.GetValue("Round", &read) != 0 ||
            read.value != written.value) {
          ++wrong;
        }
      }
      if (module_.CloseKey() != 0) ++wrong;
    }
  };
  std::thread first(rounds, 0x10000u);
  std::thread second(rounds, 0x20000u);
  first.join();
  second.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(opened.load() + refused.load(), 2 * kRounds);
  EXPECT_GT(opened.load(), 0);
  std::printf("[ measured ] %d opens, %d refused while the other thread held the key\n", opened.load(),
              refused.load());
  EXPECT_EQ(module_.CloseKey(), -3);
  EXPECT_EQ(module_.Close(), 0);
}

}  // namespace
}  // namespace qx::test
