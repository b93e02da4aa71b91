#include "platform/named_mutex.h"

#include <windows.h>

namespace qx::platform {

NamedMutex::~NamedMutex() { Close(); }

MutexCreateResult NamedMutex::Create(const char* name) {
  Close();
  HANDLE handle = CreateMutexA(nullptr, TRUE, name);
  if (handle == nullptr) return MutexCreateResult::kFailed;
  handle_ = reinterpret_cast<std::intptr_t>(handle);
  if (GetLastError() == ERROR_ALREADY_EXISTS) return MutexCreateResult::kAlreadyExisted;
  owned_ = true;
  return MutexCreateResult::kCreated;
}

void NamedMutex::Release() {
  if (handle_ != 0 && owned_) ReleaseMutex(reinterpret_cast<HANDLE>(handle_));
  owned_ = false;
}

void NamedMutex::Close() {
  if (handle_ == 0) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = 0;
  owned_ = false;
}

}  // namespace qx::platform
