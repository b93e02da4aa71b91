#pragma once

#include <cstdint>

namespace qx::platform {

enum class MutexCreateResult { kCreated, kAlreadyExisted, kFailed };

// A mutex known to every process of the machine by its name. On Windows it is the kernel's named
// mutex; elsewhere an exclusive lock on a file named after it in the temporary folder, which the
// system frees when the holding process ends.
class NamedMutex {
 public:
  NamedMutex() = default;
  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Creates the mutex asking for initial ownership. kAlreadyExisted leaves this object open (as
  // Windows does); the caller releases and closes it.
  MutexCreateResult Create(const char* name);
  void Release();
  void Close();

 private:
  std::intptr_t handle_ = 0;  // HANDLE on Windows, lock-file descriptor + 1 elsewhere
  bool owned_ = false;
};

}  // namespace qx::platform
