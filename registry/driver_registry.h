#pragma once

#include <cstddef>
#include <cstdint>

// What a host of the driver stack sees of HiveLink.dll: the value record, the result codes and the
// interface of the instance that CreateModuleInstance hands out. The binary interface is 32-bit
// x86: the operations are member calls (instance in ECX, arguments on the stack, removed by the
// callee), taken from the instance's virtual table in the order declared below.

// Two 32-bit words. For a text the value word holds the address of a zero-terminated text that the
// module allocated and that FreeValue frees.
struct RegValue {
  std::uint32_t value;
  std::uint32_t type;
};
static_assert(sizeof(RegValue) == 8);
static_assert(offsetof(RegValue, value) == 0);
static_assert(offsetof(RegValue, type) == 4);

enum RegValueType : std::uint32_t { kRegValueNone = 0, kRegValueNumber = 1, kRegValueText = 2 };

enum RegistryResult : int {
  kRegistryOk = 0,
  kRegistryFailed = -1,     // wrong state or arguments, or a registry failure
  kRegistryNotFound = -2,   // name buffer too small, or value not found
  kRegistryNoKey = -3,      // no key open
  kRegistryLockBusy = -6,   // the key's lock was not free within 100 ms
};

// Access flag of OpenKey: 0 reads an existing key; any other value reads and writes, creating the
// key when it is missing.
enum RegistryAccess : int { kRegistryRead = 0, kRegistryWrite = 1 };

class IDriverRegistry {
 public:
  virtual int __thiscall OpenDevice(std::uint32_t reserved) = 0;      // slot 0
  virtual int __thiscall OpenDeviceAlt(std::uint32_t reserved) = 0;   // slot 1
  virtual int __thiscall Close() = 0;                                 // slot 2
  virtual int __thiscall GetDeviceName(char* buffer, std::uint32_t size) = 0;  // slot 3
  virtual int __thiscall GetPortName(char* buffer, std::uint32_t size) = 0;    // slot 4
  virtual int __thiscall OpenCommon() = 0;                            // slot 5
  virtual int __thiscall OpenKey(const char* key, int access) = 0;    // slot 6
  virtual int __thiscall CloseKey() = 0;                              // slot 7
  virtual int __thiscall GetValue(const char* name, RegValue* record) = 0;  // slot 8
  virtual int __thiscall SetValue(const char* name, RegValue* record) = 0;  // slot 9
  virtual RegValue* __thiscall InitValue(RegValue* record) = 0;       // slot 10
  virtual void __thiscall FreeValue(RegValue* record) = 0;            // slot 11

 protected:
  // Not virtual and not public: an instance ends only through DeleteModuleInstance.
  ~IDriverRegistry() = default;
};

// The slots as indexes, for hosts that call through the table.
enum DriverRegistrySlot : int {
  kSlotOpenDevice = 0,
  kSlotOpenDeviceAlt,
  kSlotClose,
  kSlotGetDeviceName,
  kSlotGetPortName,
  kSlotOpenCommon,
  kSlotOpenKey,
  kSlotCloseKey,
  kSlotGetValue,
  kSlotSetValue,
  kSlotInitValue,
  kSlotFreeValue,
  kSlotDeletingDestructor,
  kSlotOpenDeviceKey,
  kSlotOpenCommonKey,
  kSlotLockAndOpen,
  kSlotReleaseKey,
};

// The two exports, plain C names, the caller removes the arguments. The first argument of each is
// reserved (not read). Both answer 0; the instance pointer is null when none could be made.
extern "C" {
using CreateModuleInstanceFunction = int(__cdecl*)(std::uint32_t reserved, IDriverRegistry** instance);
using DeleteModuleInstanceFunction = int(__cdecl*)(std::uint32_t reserved, IDriverRegistry* instance);
}
