#include "registry/driver_registry_instance.h"

#include <cstring>

#include "registry/driver_key_paths.h"

namespace qx::registry {

static_assert(sizeof(void*) == 4, "the value record carries a text address in a 32-bit word");

namespace {

constexpr char kDevicePortName[] = "USB1";
constexpr char kDeviceName[] = "QX-R7000";
constexpr DWORD kLockWaitMs = 100;

// The registry library's answers that the module tells apart.
constexpr long kRegistryDone = 0;
constexpr long kRegistryMissing = 2;

class SectionGuard {
 public:
  explicit SectionGuard(CRITICAL_SECTION* section) : section_(section) { EnterCriticalSection(section_); }
  ~SectionGuard() { LeaveCriticalSection(section_); }
  SectionGuard(const SectionGuard&) = delete;
  SectionGuard& operator=(const SectionGuard&) = delete;

 private:
  CRITICAL_SECTION* section_;
};

int ToResult(long registryResult) {
  if (registryResult == kRegistryDone) return kRegistryOk;
  return registryResult == kRegistryMissing ? kRegistryNotFound : kRegistryFailed;
}

void CopyFixedName(char* destination, std::size_t size, const char* name) {
  std::strncpy(destination, name, size - 1);
  destination[size - 1] = '\0';
}

}  // namespace

CDriverRegistry::CDriverRegistry() : port_name_{}, device_name_{}, opened_(0), mode_(0), lock_(nullptr) {
  InitializeCriticalSection(&section_);
}

CDriverRegistry::~CDriverRegistry() {
  // A key still open is closed and its lock given back, so that the next holder neither waits for
  // this thread to end nor finds the mutex abandoned. A lock owned by another thread of the host
  // cannot be given back from here; its handle is closed all the same.
  if (lock_ != nullptr) {
    ReleaseMutex(lock_);
    registry_.Close();
    CloseHandle(lock_);
    lock_ = nullptr;
  }
  DeleteCriticalSection(&section_);
}

void* __thiscall CDriverRegistry::DeletingDestructor(unsigned int flags) {
  this->~CDriverRegistry();
  if ((flags & 1u) != 0) ::operator delete(this);
  return this;
}

int CDriverRegistry::OpenDeviceMode() {
  SectionGuard guard(&section_);
  if (opened_ != 0) return kRegistryFailed;
  CopyFixedName(port_name_, kNameSize, kDevicePortName);
  CopyFixedName(device_name_, kNameSize, kDeviceName);
  opened_ = 1;
  mode_ = 0;
  return kRegistryOk;
}

int __thiscall CDriverRegistry::OpenDevice(std::uint32_t) { return OpenDeviceMode(); }

int __thiscall CDriverRegistry::OpenDeviceAlt(std::uint32_t) { return OpenDeviceMode(); }

int __thiscall CDriverRegistry::OpenCommon() {
  SectionGuard guard(&section_);
  if (opened_ != 0) return kRegistryFailed;
  port_name_[0] = '\0';
  device_name_[0] = '\0';
  opened_ = 1;
  mode_ = 1;
  return kRegistryOk;
}

int __thiscall CDriverRegistry::Close() {
  SectionGuard guard(&section_);
  if (opened_ == 0) return kRegistryFailed;
  // A key opened by another thread stays open: only that thread can give its lock back.
  if (lock_ != nullptr && ReleaseKey() != kRegistryOk) return kRegistryFailed;
  opened_ = 0;
  mode_ = 0;
  return kRegistryOk;
}

int CDriverRegistry::CopyName(const char* name, char* buffer, std::uint32_t size) const {
  if (opened_ == 0 || buffer == nullptr || size == 0) return kRegistryFailed;
  std::size_t length = strnlen(name, kNameSize - 1);
  if (length >= size) return kRegistryNotFound;
  std::memcpy(buffer, name, length);
  buffer[length] = '\0';
  return kRegistryOk;
}

int __thiscall CDriverRegistry::GetDeviceName(char* buffer, std::uint32_t size) {
  SectionGuard guard(&section_);
  return CopyName(device_name_, buffer, size);
}

int __thiscall CDriverRegistry::GetPortName(char* buffer, std::uint32_t size) {
  SectionGuard guard(&section_);
  return CopyName(port_name_, buffer, size);
}

int __thiscall CDriverRegistry::OpenKey(const char* key, int access) {
  SectionGuard guard(&section_);
  if (opened_ == 0 || lock_ != nullptr || key == nullptr) return kRegistryFailed;
  return mode_ == 0 ? OpenDeviceKey(key, access) : OpenCommonKey(key, access);
}

int __thiscall CDriverRegistry::OpenDeviceKey(const char* key, int access) {
  char path[kLockNameSize];
  char lockName[kLockNameSize];
  if (!ComposeDeviceKeyPath(key, path, sizeof path) ||
      !ComposeLockName(kDeviceLockPrefix, path, lockName, sizeof lockName)) {
    return kRegistryFailed;
  }
  return LockAndOpen(lockName, device_name_, path, access, 0);
}

int __thiscall CDriverRegistry::OpenCommonKey(const char* key, int access) {
  char lockName[kLockNameSize];
  if (!ComposeLockName(kCommonLockPrefix, key, lockName, sizeof lockName)) return kRegistryFailed;
  return LockAndOpen(lockName, key, kCommonKey, access, 1);
}

int __thiscall CDriverRegistry::LockAndOpen(const char* lockName, const char* name, const char* path, int access,
                                            int useRoot) {
  // A name that another kind of object already carries gives no mutex; no registry call is made
  // without the lock.
  HANDLE mutex = CreateMutexA(nullptr, FALSE, lockName);
  if (mutex == nullptr) return kRegistryFailed;
  lock_ = mutex;
  DWORD waited = WaitForSingleObject(mutex, kLockWaitMs);
  if (waited == WAIT_TIMEOUT || waited == WAIT_FAILED) {
    CloseHandle(mutex);
    lock_ = nullptr;
    return waited == WAIT_TIMEOUT ? kRegistryLockBusy : kRegistryFailed;
  }
  // WAIT_ABANDONED: the previous holder ended without giving the lock back; it is ours now.
  int flag = access == 0 ? 1 : 0;
  // A key that cannot be opened shows in the reads and writes that follow.
  if (useRoot == 0) {
    registry_.Open(path, name, flag);
  } else {
    registry_.Open(HKEY_LOCAL_MACHINE, path, name, flag);
  }
  return kRegistryOk;
}

int __thiscall CDriverRegistry::CloseKey() {
  SectionGuard guard(&section_);
  if (opened_ == 0) return kRegistryFailed;
  if (lock_ == nullptr) return kRegistryNoKey;
  return ReleaseKey();
}

int __thiscall CDriverRegistry::ReleaseKey() {
  if (lock_ == nullptr) return kRegistryNoKey;
  // The mutex belongs to the thread that took it: from any other thread the release fails, and
  // the key stays open so that the owner can still close it.
  if (!ReleaseMutex(lock_)) return kRegistryFailed;
  registry_.Close();
  CloseHandle(lock_);
  lock_ = nullptr;
  return kRegistryOk;
}

int __thiscall CDriverRegistry::GetValue(const char* name, RegValue* record) {
  SectionGuard guard(&section_);
  if (opened_ == 0 || name == nullptr || record == nullptr) return kRegistryFailed;
  if (lock_ == nullptr) return kRegistryNoKey;
  unsigned long number = 0;
  long result = registry_.GetValue(name, number);
  if (result == kRegistryDone) {
    record->value = number;
    record->type = kRegValueNumber;
    return kRegistryOk;
  }
  if (result != kRegistryMissing) return kRegistryFailed;
  // Texts live on the process heap, the allocator the registry library grows them with and
  // FreeValue frees them with, whatever runtime each side was built with.
  HANDLE heap = GetProcessHeap();
  char* text = static_cast<char*>(HeapAlloc(heap, 0, 1));
  if (text == nullptr) return kRegistryFailed;
  text[0] = '\0';
  result = registry_.GetValue(name, text);
  if (result != kRegistryDone) {
    HeapFree(heap, 0, text);
    return ToResult(result);
  }
  record->value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text));
  record->type = kRegValueText;
  return kRegistryOk;
}

int __thiscall CDriverRegistry::SetValue(const char* name, RegValue* record) {
  SectionGuard guard(&section_);
  if (opened_ == 0 || name == nullptr || record == nullptr) return kRegistryFailed;
  if (record->type != kRegValueNumber && record->type != kRegValueText) return kRegistryFailed;
  if (record->type == kRegValueText && record->value == 0) return kRegistryFailed;
  if (lock_ == nullptr) return kRegistryNoKey;
  long result = record->type == kRegValueNumber
                    ? registry_.SetValue(name, static_cast<unsigned long>(record->value))
                    : registry_.SetValue(name, reinterpret_cast<const char*>(static_cast<std::uintptr_t>(record->value)));
  return ToResult(result);
}

RegValue* __thiscall CDriverRegistry::InitValue(RegValue* record) {
  if (record != nullptr) {
    record->value = 0;
    record->type = kRegValueNone;
  }
  return record;
}

void __thiscall CDriverRegistry::FreeValue(RegValue* record) {
  if (record != nullptr && record->type == kRegValueText && record->value != 0) {
    HeapFree(GetProcessHeap(), 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(record->value)));
  }
  InitValue(record);
}

}  // namespace qx::registry
