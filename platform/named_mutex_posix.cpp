#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace qx::platform {

namespace {

// The lock file of a mutex name: "<tmp>/qx-mutex-<name>.lock" with the name's '/' and '\' made
// harmless, bounded by the buffer.
void LockFilePath(const char* name, char* path, std::size_t size) {
  const char* tmp = std::getenv("TMPDIR");
  if (tmp == nullptr || *tmp == '\0') tmp = "/tmp";
  int n = std::snprintf(path, size, "%s/qx-mutex-", tmp);
  if (n < 0 || static_cast<std::size_t>(n) >= size) n = 0;
  std::size_t at = static_cast<std::size_t>(n);
  for (const char* c = name; *c != '\0' && at + 1 < size; ++c) {
    path[at++] = (*c == '/' || *c == '\\') ? '_' : *c;
  }
  path[at] = '\0';
  std::snprintf(path + at, size - at, ".lock");
}

}  // namespace

NamedMutex::~NamedMutex() { Close(); }

MutexCreateResult NamedMutex::Create(const char* name) {
  Close();
  char path[512];
  LockFilePath(name, path, sizeof path);
  int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return MutexCreateResult::kFailed;
  handle_ = fd + 1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    return errno == EWOULDBLOCK ? MutexCreateResult::kAlreadyExisted : MutexCreateResult::kFailed;
  }
  owned_ = true;
  return MutexCreateResult::kCreated;
}

void NamedMutex::Release() {
  if (handle_ != 0 && owned_) flock(static_cast<int>(handle_ - 1), LOCK_UN);
  owned_ = false;
}

void NamedMutex::Close() {
  if (handle_ == 0) return;
  close(static_cast<int>(handle_ - 1));
  handle_ = 0;
  owned_ = false;
}

}  // namespace qx::platform
