#pragma once

namespace qx::platform {

// Loads a file as a data module (no code of it runs) and returns its module handle, or null when
// the file is absent or the system has no such modules.
void* LoadDataModule(const char* fileName);

}  // namespace qx::platform
