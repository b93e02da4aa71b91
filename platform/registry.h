#pragma once

#include <cstddef>
#include <cstdint>

// Read-only access to the Windows registry. The keys are seen as a 32-bit program sees them, the
// view the driver package writes. Elsewhere there is no registry: every key is missing.
namespace qx::platform {

enum class RegistryRoot { kLocalMachine, kUsers };

class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens a key for reading: false when it does not exist or cannot be opened.
  bool Open(RegistryRoot root, const char* path);

  // A text value copied into `buffer`, cut to size - 1 characters and terminated: false when the
  // value cannot be read as text.
  bool ReadText(const char* name, char* buffer, std::size_t size);

  // A 32-bit number value: false when it cannot be read as one.
  bool ReadNumber(const char* name, std::uint32_t* value);

  // Closes the key: false with the system's error code in *error when that fails. Closing a key
  // that is not open succeeds.
  bool Close(long* error);

 private:
  std::intptr_t handle_ = 0;  // HKEY on Windows
};

}  // namespace qx::platform
