#pragma once

namespace qx::platform {

// Shows an error to the person at the machine: a message box with no owner, caption "Error" and
// the error icon on Windows (returns when it is dismissed); a line on standard error elsewhere.
void ShowErrorMessage(const char* text);

}  // namespace qx::platform
