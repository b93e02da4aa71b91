#pragma once

#include "utility/port/qxusb_driver.h"

namespace qx::qxusb {

// A driver with no devices: what a machine without the QXUSB driver and without the simulator
// sees. Nothing enumerates, nothing opens, every call on a handle fails.
class NullDriver final : public Driver {
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
