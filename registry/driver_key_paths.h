#pragma once

#include <cstddef>

// The key paths of the driver's settings and the names of the locks that guard them.
namespace qx::registry {

constexpr char kDeviceKeyPrefix[] = "\\DriverInfo";
constexpr char kCommonKey[] = "SOFTWARE\\NORVA\\QX-FIN2\\R7000";
constexpr char kDeviceLockPrefix[] = "TORVIK:Driver Registry Open Synchronized - ";
constexpr char kCommonLockPrefix[] = "TORVIK:Driver Registry Open Synchronized - Common Key : ";

// Kernel object names through the "A" API are at most MAX_PATH characters long with the
// terminator; a lock name, and so a key path, never needs more.
constexpr std::size_t kLockNameSize = 260;

// "\DriverInfo\" + key into `path`: false (and nothing usable in `path`) when it does not fit.
bool ComposeDeviceKeyPath(const char* key, char* path, std::size_t size);

// prefix + keyPath with every backslash turned into an underscore: false when it does not fit.
bool ComposeLockName(const char* prefix, const char* keyPath, char* name, std::size_t size);

}  // namespace qx::registry
