#include "tools/hivelink/module_host.h"

#include <cstring>

namespace qx::hivelink {

namespace {

// Member calls of the 32-bit Windows convention, as free function types: the instance is the
// first (ECX) argument.
using NumberSlot = int(__thiscall*)(void* self, std::uint32_t number);
using PlainSlot = int(__thiscall*)(void* self);
using NameSlot = int(__thiscall*)(void* self, char* buffer, std::uint32_t size);
using KeySlot = int(__thiscall*)(void* self, const char* key, int access);
using ValueSlot = int(__thiscall*)(void* self, const char* name, RegValue* record);
using InitSlot = RegValue*(__thiscall*)(void* self, RegValue* record);
using FreeSlot = void(__thiscall*)(void* self, RegValue* record);

}  // namespace

ModuleHost::~ModuleHost() { Unload(); }

bool ModuleHost::Load(const char* path) {
  Unload();
  library_ = LoadLibraryA(path);
  if (library_ == nullptr) return false;
  auto create = reinterpret_cast<CreateModuleInstanceFunction>(GetProcAddress(library_, "CreateModuleInstance"));
  delete_ = reinterpret_cast<DeleteModuleInstanceFunction>(GetProcAddress(library_, "DeleteModuleInstance"));
  IDriverRegistry* created = nullptr;
  if (create != nullptr && delete_ != nullptr) create(0, &created);
  instance_ = created;
  if (instance_ == nullptr) {
    Unload();
    return false;
  }
  return true;
}

void ModuleHost::Unload() {
  if (instance_ != nullptr && delete_ != nullptr) delete_(0, static_cast<IDriverRegistry*>(instance_));
  instance_ = nullptr;
  delete_ = nullptr;
  if (library_ != nullptr) FreeLibrary(library_);
  library_ = nullptr;
}

void* ModuleHost::Slot(int index) const { return (*static_cast<void** const*>(instance_))[index]; }

int ModuleHost::OpenDevice(std::uint32_t reserved) {
  return reinterpret_cast<NumberSlot>(Slot(kSlotOpenDevice))(instance_, reserved);
}

int ModuleHost::OpenDeviceAlt(std::uint32_t reserved) {
  return reinterpret_cast<NumberSlot>(Slot(kSlotOpenDeviceAlt))(instance_, reserved);
}

int ModuleHost::Close() { return reinterpret_cast<PlainSlot>(Slot(kSlotClose))(instance_); }

int ModuleHost::GetDeviceName(char* buffer, std::uint32_t size) {
  return reinterpret_cast<NameSlot>(Slot(kSlotGetDeviceName))(instance_, buffer, size);
}

int ModuleHost::GetPortName(char* buffer, std::uint32_t size) {
  return reinterpret_cast<NameSlot>(Slot(kSlotGetPortName))(instance_, buffer, size);
}

int ModuleHost::OpenCommon() { return reinterpret_cast<PlainSlot>(Slot(kSlotOpenCommon))(instance_); }

int ModuleHost::OpenKey(const char* key, int access) {
  return reinterpret_cast<KeySlot>(Slot(kSlotOpenKey))(instance_, key, access);
}

int ModuleHost::CloseKey() { return reinterpret_cast<PlainSlot>(Slot(kSlotCloseKey))(instance_); }

int ModuleHost::GetValue(const char* name, RegValue* record) {
  return reinterpret_cast<ValueSlot>(Slot(kSlotGetValue))(instance_, name, record);
}

int ModuleHost::SetValue(const char* name, RegValue* record) {
  return reinterpret_cast<ValueSlot>(Slot(kSlotSetValue))(instance_, name, record);
}

RegValue* ModuleHost::InitValue(RegValue* record) {
  return reinterpret_cast<InitSlot>(Slot(kSlotInitValue))(instance_, record);
}

void ModuleHost::FreeValue(RegValue* record) {
  reinterpret_cast<FreeSlot>(Slot(kSlotFreeValue))(instance_, record);
}

void ProgramFolder(char* folder, std::size_t size) {
  if (size == 0) return;
  folder[0] = '\0';
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return;
  char* slash = std::strrchr(path, '\\');
  if (slash == nullptr) return;
  slash[1] = '\0';
  if (std::strlen(path) < size) std::strcpy(folder, path);
}

}  // namespace qx::hivelink
