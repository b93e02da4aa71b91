// HiveLink.dll's binary interface as a host built with another compiler meets it: plain export
// names whose caller removes the arguments, and an instance whose 17 table slots are member calls
// (instance in ECX) that remove their own arguments.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "registry/driver_registry.h"
#include "tests/registry/console_process.h"
#include "tests/registry/reg_tool.h"

namespace qx::test {
namespace {

struct MachineCall {
  std::uint32_t result;     // EAX
  std::int32_t stackMoved;  // ESP after the call minus ESP before the arguments were pushed
};

// Pushes `arguments` right to left, puts `self` in ECX and calls `function`, as compiled code of
// any 32-bit Windows compiler does. ESP is restored afterwards whatever the callee did.
MachineCall CallMachine(void* function, void* self, std::initializer_list<std::uint32_t> arguments) {
  std::vector<std::uint32_t> words(arguments);
  const std::uint32_t* base = words.data();
  std::uint32_t count = static_cast<std::uint32_t>(words.size());
  std::uint32_t result, before, after;
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "1:\n\t"
      "testl %%edx, %%edx\n\t"
      "jz 2f\n\t"
      "decl %%edx\n\t"
      "pushl (%%eax,%%edx,4)\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "call *%%ebx\n\t"
      "movl %%esp, %%edi\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(result), "=S"(before), "=D"(after), "+c"(self), "+d"(count)
      : "0"(base), "b"(function)
      : "memory", "cc");
  return {result, static_cast<std::int32_t>(after - before)};
}

std::uint32_t Word(const void* pointer) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer)); }

class ModuleBinary : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = LoadLibraryA((TestProgramFolder() + "HiveLink.dll").c_str());
    ASSERT_NE(library_, nullptr);
    create_ = reinterpret_cast<void*>(GetProcAddress(library_, "CreateModuleInstance"));
    delete_ = reinterpret_cast<void*>(GetProcAddress(library_, "DeleteModuleInstance"));
    ASSERT_NE(create_, nullptr) << "CreateModuleInstance is not exported under its plain name";
    ASSERT_NE(delete_, nullptr) << "DeleteModuleInstance is not exported under its plain name";
  }
  void TearDown() override {
    if (library_ != nullptr) FreeLibrary(library_);
  }

  void* Create() {
    void* instance = nullptr;
    MachineCall call = CallMachine(create_, nullptr, {0x12345678u, Word(&instance)});
    EXPECT_EQ(call.result, 0u);
    EXPECT_EQ(call.stackMoved, -8) << "CreateModuleInstance must leave its arguments to the caller";
    return instance;
  }

  static void* Slot(void* instance, int index) { return (*static_cast<void***>(instance))[index]; }

  // Calls slot `index` and checks that it removed exactly its own arguments.
  static std::int32_t CallSlot(void* instance, int index, std::initializer_list<std::uint32_t> arguments) {
    MachineCall call = CallMachine(Slot(instance, index), instance, arguments);
    EXPECT_EQ(call.stackMoved, 0) << "slot " << index << " left its arguments on the stack";
    return static_cast<std::int32_t>(call.result);
  }

  HMODULE library_ = nullptr;
  void* create_ = nullptr;
  void* delete_ = nullptr;
};

TEST_F(ModuleBinary, ExportsLeaveTheirArgumentsToTheCallerAndAcceptANullInstance) {
  MachineCall deleted = CallMachine(delete_, nullptr, {0u, 0u});
  EXPECT_EQ(deleted.result, 0u);
  EXPECT_EQ(deleted.stackMoved, -8);
  void* instance = Create();
  ASSERT_NE(instance, nullptr);
  deleted = CallMachine(delete_, nullptr, {0xFFFFFFFFu, Word(instance)});
  EXPECT_EQ(deleted.result, 0u);
  EXPECT_EQ(deleted.stackMoved, -8);
}

TEST_F(ModuleBinary, EverySlotIsTheOperationOfItsIndexAndRemovesItsArguments) {
  const std::string abiKey = "HiveLinkAbi";
  const std::string abiSub = "HiveLinkAbiSub";
  RegDelete(DeviceKeyLocation(abiKey));
  RegDelete(CommonKeyLocation(abiSub));
  void* instance = Create();
  ASSERT_NE(instance, nullptr);
  char name[16];
  RegValue record{0xAAAAAAAAu, 0xBBBBBBBBu};

  EXPECT_EQ(CallSlot(instance, kSlotOpenDevice, {7u}), 0);
  EXPECT_EQ(CallSlot(instance, kSlotOpenDeviceAlt, {7u}), -1);
  EXPECT_EQ(CallSlot(instance, kSlotGetDeviceName, {Word(name), 9u}), 0);
  EXPECT_STREQ(name, "QX-R7000");
  EXPECT_EQ(CallSlot(instance, kSlotGetPortName, {Word(name), 5u}), 0);
  EXPECT_STREQ(name, "USB1");
  EXPECT_EQ(CallSlot(instance, kSlotReleaseKey, {}), -3);
  EXPECT_EQ(CallSlot(instance, kSlotOpenDeviceKey, {Word(abiKey.c_str()), 1u}), 0);
  HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, "TORVIK:Driver Registry Open Synchronized - _DriverInfo_HiveLinkAbi");
  EXPECT_NE(lock, nullptr);
  if (lock != nullptr) CloseHandle(lock);
  RegValue width{7u, kRegValueNumber};
  EXPECT_EQ(CallSlot(instance, kSlotSetValue, {Word("Width"), Word(&width)}), 0);
  EXPECT_EQ(CallSlot(instance, kSlotGetValue, {Word("Width"), Word(&record)}), 0);
  EXPECT_EQ(record.value, 7u);
  EXPECT_EQ(record.type, static_cast<std::uint32_t>(kRegValueNumber));
  EXPECT_EQ(static_cast<std::uint32_t>(CallSlot(instance, kSlotInitValue, {Word(&record)})), Word(&record));
  EXPECT_EQ(record.value, 0u);
  EXPECT_EQ(record.type, 0u);
  CallSlot(instance, kSlotFreeValue, {Word(&record)});
  EXPECT_EQ(CallSlot(instance, kSlotCloseKey, {}), 0);
  EXPECT_EQ(RegQuery(DeviceKeyLocation(abiKey), "Width").data, "0x7");

  // LockAndOpen with the root: the common key and the caller's key as its subkey, created for
  // writing.
  const char* commonLock = "TORVIK:Driver Registry Open Synchronized - Common Key : HiveLinkAbiSub";
  EXPECT_EQ(CallSlot(instance, kSlotLockAndOpen,
                     {Word(commonLock), Word(abiSub.c_str()), Word("SOFTWARE\\NORVA\\QX-FIN2\\R7000"), 1u, 1u}),
            0);
  EXPECT_EQ(CallSlot(instance, kSlotReleaseKey, {}), 0);
  EXPECT_TRUE(RegKeyExists(CommonKeyLocation(abiSub)));
  EXPECT_EQ(CallSlot(instance, kSlotOpenCommonKey, {Word(abiSub.c_str()), 0u}), 0);
  EXPECT_EQ(CallSlot(instance, kSlotCloseKey, {}), 0);
  EXPECT_EQ(CallSlot(instance, kSlotOpenKey, {Word(abiKey.c_str()), 0u}), 0);
  EXPECT_EQ(CallSlot(instance, kSlotCloseKey, {}), 0);
  EXPECT_EQ(CallSlot(instance, kSlotClose, {}), 0);
  EXPECT_EQ(CallSlot(instance, kSlotOpenCommon, {}), 0);
  EXPECT_EQ(CallSlot(instance, kSlotGetPortName, {Word(name), 1u}), 0);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(CallSlot(instance, kSlotClose, {}), 0);

  // Slot 12 destroys and, with bit 0 of its flags, frees; it answers the instance's address.
  EXPECT_EQ(static_cast<std::uint32_t>(CallSlot(instance, kSlotDeletingDestructor, {1u})), Word(instance));
  RegDelete(DeviceKeyLocation(abiKey));
  RegDelete(CommonKeyLocation(abiSub));
}

}  // namespace
}  // namespace qx::test
