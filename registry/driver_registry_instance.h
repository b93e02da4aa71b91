#pragma once

#include <windows.h>

#include <cstdint>

#include "registry/driver_registry.h"
#include "standins/ririv/opos_registry.h"

namespace qx::registry {

// The module instance. Its virtual table continues the interface's 12 slots with the deleting
// destructor (12), then OpenDeviceKey (13), OpenCommonKey (14), LockAndOpen (15) and ReleaseKey
// (16). The deleting destructor is an ordinary virtual function taking the flags word of the
// 32-bit Windows convention (bit 0: free the memory), so that it fills one slot as a host built
// with Microsoft's compiler expects, where a C++ virtual destructor would fill two.
class CDriverRegistry final : public IDriverRegistry {
 public:
  CDriverRegistry();
  CDriverRegistry(const CDriverRegistry&) = delete;
  CDriverRegistry& operator=(const CDriverRegistry&) = delete;

  int __thiscall OpenDevice(std::uint32_t reserved) override;
  int __thiscall OpenDeviceAlt(std::uint32_t reserved) override;
  int __thiscall Close() override;
  int __thiscall GetDeviceName(char* buffer, std::uint32_t size) override;
  int __thiscall GetPortName(char* buffer, std::uint32_t size) override;
  int __thiscall OpenCommon() override;
  int __thiscall OpenKey(const char* key, int access) override;
  int __thiscall CloseKey() override;
  int __thiscall GetValue(const char* name, RegValue* record) override;
  int __thiscall SetValue(const char* name, RegValue* record) override;
  RegValue* __thiscall InitValue(RegValue* record) override;
  void __thiscall FreeValue(RegValue* record) override;

  virtual void* __thiscall DeletingDestructor(unsigned int flags);
  virtual int __thiscall OpenDeviceKey(const char* key, int access);
  virtual int __thiscall OpenCommonKey(const char* key, int access);
  virtual int __thiscall LockAndOpen(const char* lockName, const char* name, const char* path, int access,
                                     int useRoot);
  virtual int __thiscall ReleaseKey();

 private:
  ~CDriverRegistry();
  int OpenDeviceMode();
  int CopyName(const char* name, char* buffer, std::uint32_t size) const;

  // Long enough for the names the module sets ("QX-R7000", "USB1", or empty).
  static constexpr std::size_t kNameSize = 16;

  COposRegistry registry_;
  char port_name_[kNameSize];
  char device_name_[kNameSize];
  std::int32_t opened_;
  std::int32_t mode_;   // 0 device mode, 1 common mode
  HANDLE lock_;         // the named mutex held while a key is open
  CRITICAL_SECTION section_;
};

}  // namespace qx::registry
