#pragma once

#include <cstdint>

#include "utility/port/qxusb_driver.h"

namespace qx::qxusb {

// The cbSize values the enumeration gives SetupAPI, which refuses any but its own: the interface
// data and the interface detail data of this build (28 and 5 for a 32-bit program, 32 and 8 for a
// 64-bit one).
extern const std::uint32_t kSetupApiInterfaceDataSize;
extern const std::uint32_t kSetupApiDetailDataSize;

// The maker's QXUSB kernel driver through Win32: its device interfaces found with SetupAPI
// (bound at run time, loaded afresh for each enumeration and freed after it), the function
// handles opened with CreateFileA for synchronous I/O, data with ReadFile / WriteFile (the
// driver applies the handle's timeout block itself), control requests with DeviceIoControl.
class Win32Driver final : public Driver {
 public:
  DriverStatus Enumerate(std::uint32_t member, char* path, std::size_t size) override;
  DriverStatus Open(const char* functionPath, DriverHandle* handle) override;
  DriverStatus Write(DriverHandle handle, const void* data, std::uint32_t length, std::uint32_t* written) override;
  DriverStatus Read(DriverHandle handle, void* buffer, std::uint32_t capacity, std::uint32_t* got) override;
  bool Control(DriverHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
               std::uint32_t outputSize, std::uint32_t* returned) override;
  void Close(DriverHandle handle) override;
};

}  // namespace qx::qxusb
