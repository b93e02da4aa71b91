#pragma once

namespace qx::port::testing {

// Lets the library's notification windows handle what was posted to them (Windows: dispatches
// the waiting messages of this thread; elsewhere the notification thread needs nothing).
void PumpMessages();

}  // namespace qx::port::testing
