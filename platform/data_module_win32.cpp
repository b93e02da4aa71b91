#include "platform/data_module.h"

#include <windows.h>

namespace qx::platform {

void* LoadDataModule(const char* fileName) {
  return reinterpret_cast<void*>(LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

}  // namespace qx::platform
