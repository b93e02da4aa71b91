#include "utility/port/qxusb_null_driver.h"

namespace qx::qxusb {

DriverStatus NullDriver::Enumerate(std::uint32_t, char* path, std::size_t size) {
  if (path != nullptr && size > 0) path[0] = '\0';
  return DriverStatus::kNoMoreItems;
}

DriverStatus NullDriver::Open(const char*, DriverHandle* handle) {
  *handle = kInvalidDriverHandle;
  return DriverStatus::kNotFound;
}

DriverStatus NullDriver::Write(DriverHandle, const void*, std::uint32_t, std::uint32_t* written) {
  *written = 0;
  return DriverStatus::kFailed;
}

DriverStatus NullDriver::Read(DriverHandle, void*, std::uint32_t, std::uint32_t* got) {
  *got = 0;
  return DriverStatus::kFailed;
}

bool NullDriver::Control(DriverHandle, std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t,
                         std::uint32_t* returned) {
  if (returned != nullptr) *returned = 0;
  return false;
}

void NullDriver::Close(DriverHandle) {}

}  // namespace qx::qxusb
