#pragma once

#include <mutex>

#include "utility/port/port.h"

// The library's own view of the table, for the notification handlers.
namespace qx::port {

inline constexpr int kPortTableSize = 256;

// Held by table changes and by the notification handlers, so that a notification handled off the
// application's thread never meets a port being destroyed.
std::recursive_mutex& PortTableLock();
// The port at index, or null; the caller holds PortTableLock.
Port* PortTableEntry(int index);

}  // namespace qx::port
