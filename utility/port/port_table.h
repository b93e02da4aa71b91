#pragma once

#include <memory>
#include <vector>

#include "utility/port/port.h"

// The library's own view of the table, for the notification handlers.
namespace qx::port {

inline constexpr int kPortTableSize = 256;

// The ports of one type in the table, in index order, each kept alive by the copy: a handler
// acts on them without holding the table's lock, so a callback it calls may create or destroy
// ports, and a port destroyed meanwhile goes when the handler lets go of it.
std::vector<std::shared_ptr<Port>> PortTableSnapshot(int type);
// The port at index, or null. Only for the application's threads, which create and destroy
// ports themselves.
Port* PortTableEntry(int index);

}  // namespace qx::port
