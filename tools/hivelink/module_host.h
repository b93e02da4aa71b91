#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "registry/driver_registry.h"

namespace qx::hivelink {

// HiveLink.dll as any host of the driver stack uses it: the two exports looked up by name, and
// the instance's 12 operations taken by index from its virtual table and called with the
// instance in ECX, arguments on the stack removed by the callee. Nothing of the module's C++
// declarations is used beyond the value record, the codes and the slot numbers.
class ModuleHost {
 public:
  ModuleHost() = default;
  ~ModuleHost();
  ModuleHost(const ModuleHost&) = delete;
  ModuleHost& operator=(const ModuleHost&) = delete;

  // Loads the library from `path` and creates one instance: false (with nothing held) when the
  // library, an export or the instance is missing.
  bool Load(const char* path);
  // Deletes the instance and frees the library; done by the destructor as well.
  void Unload();

  void* instance() const { return instance_; }
  HMODULE library() const { return library_; }

  int OpenDevice(std::uint32_t reserved = 0);
  int OpenDeviceAlt(std::uint32_t reserved = 0);
  int Close();
  int GetDeviceName(char* buffer, std::uint32_t size);
  int GetPortName(char* buffer, std::uint32_t size);
  int OpenCommon();
  int OpenKey(const char* key, int access);
  int CloseKey();
  int GetValue(const char* name, RegValue* record);
  int SetValue(const char* name, RegValue* record);
  RegValue* InitValue(RegValue* record);
  void FreeValue(RegValue* record);

  // The address in slot `index` of the instance's virtual table.
  void* Slot(int index) const;

 private:
  HMODULE library_ = nullptr;
  void* instance_ = nullptr;
  DeleteModuleInstanceFunction delete_ = nullptr;
};

// The folder of the running program, with a trailing backslash ("" when unknown).
void ProgramFolder(char* folder, std::size_t size);

}  // namespace qx::hivelink
