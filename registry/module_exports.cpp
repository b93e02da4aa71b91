// The two functions HiveLink.dll exports.
#include <cstdint>
#include <new>

#include "registry/driver_registry.h"
#include "registry/driver_registry_instance.h"

using qx::registry::CDriverRegistry;

extern "C" __declspec(dllexport) int __cdecl CreateModuleInstance(std::uint32_t, IDriverRegistry** instance) {
  if (instance != nullptr) *instance = new (std::nothrow) CDriverRegistry();
  return 0;
}

extern "C" __declspec(dllexport) int __cdecl DeleteModuleInstance(std::uint32_t, IDriverRegistry* instance) {
  if (instance != nullptr) static_cast<CDriverRegistry*>(instance)->DeletingDestructor(1);
  return 0;
}
