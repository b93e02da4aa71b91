#include "platform/data_module.h"

namespace qx::platform {

void* LoadDataModule(const char*) { return nullptr; }

}  // namespace qx::platform
