#include "utility/port/qxusb_win32_driver.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>
#include <vector>

#include "utility/port/qxusb_contract.h"

namespace qx::qxusb {

// SetupAPI's structures are packed to 1 byte in 32-bit programs and to 8 in 64-bit ones.
static_assert(sizeof(void*) == 4 ? sizeof(SP_DEVICE_INTERFACE_DATA) == 28 && sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5
                                 : sizeof(SP_DEVICE_INTERFACE_DATA) == 32 && sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 8);
const std::uint32_t kSetupApiInterfaceDataSize = sizeof(SP_DEVICE_INTERFACE_DATA);
const std::uint32_t kSetupApiDetailDataSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);

namespace {

using GetClassDevsFn = HDEVINFO(WINAPI*)(const GUID*, PCSTR, HWND, DWORD);
using EnumInterfacesFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD, PSP_DEVICE_INTERFACE_DATA);
using GetDetailFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD,
                                  PDWORD, PSP_DEVINFO_DATA);
using DestroyListFn = BOOL(WINAPI*)(HDEVINFO);

constexpr DWORD kPresentInterfaces = DIGCF_PRESENT | DIGCF_DEVICEINTERFACE;  // 0x12
// Longest detail block accepted from SetupAPI; device paths are far shorter.
constexpr DWORD kMaxDetailSize = 4096;

const GUID kInterfaceClass = {kInterfaceClassData1, kInterfaceClassData2, kInterfaceClassData3,
                              {kInterfaceClassData4[0], kInterfaceClassData4[1], kInterfaceClassData4[2],
                               kInterfaceClassData4[3], kInterfaceClassData4[4], kInterfaceClassData4[5],
                               kInterfaceClassData4[6], kInterfaceClassData4[7]}};

// SETUPAPI.DLL for the length of one enumeration: loaded by name, each function looked up by
// name, freed at the end. A missing library or function makes the enumeration find nothing.
class SetupApi {
 public:
  SetupApi() : module_(LoadLibraryA("SETUPAPI.DLL")) {
    if (module_ == nullptr) return;
    getClassDevs_ = reinterpret_cast<GetClassDevsFn>(GetProcAddress(module_, "SetupDiGetClassDevsA"));
    enumInterfaces_ = reinterpret_cast<EnumInterfacesFn>(GetProcAddress(module_, "SetupDiEnumDeviceInterfaces"));
    getDetail_ = reinterpret_cast<GetDetailFn>(GetProcAddress(module_, "SetupDiGetDeviceInterfaceDetailA"));
    destroyList_ = reinterpret_cast<DestroyListFn>(GetProcAddress(module_, "SetupDiDestroyDeviceInfoList"));
  }
  ~SetupApi() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  SetupApi(const SetupApi&) = delete;
  SetupApi& operator=(const SetupApi&) = delete;

  bool usable() const {
    return getClassDevs_ != nullptr && enumInterfaces_ != nullptr && getDetail_ != nullptr && destroyList_ != nullptr;
  }

  // The device path of the member-th present interface, copied bounded and terminated.
  bool DevicePath(DWORD member, char* path, std::size_t size) {
    HDEVINFO list = getClassDevs_(&kInterfaceClass, nullptr, nullptr, kPresentInterfaces);
    if (list == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = kSetupApiInterfaceDataSize;
    if (enumInterfaces_(list, nullptr, &kInterfaceClass, member, &data)) {
      DWORD required = 0;
      getDetail_(list, &data, nullptr, 0, &required, nullptr);
      if (required >= sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) && required <= kMaxDetailSize) {
        std::vector<char> buffer(required, '\0');
        auto* detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(buffer.data());
        detail->cbSize = kSetupApiDetailDataSize;
        if (getDetail_(list, &data, detail, required, nullptr, nullptr)) {
          // The path is terminated inside the block; bound the scan by the block all the same.
          std::size_t offset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
          std::size_t n = strnlen(detail->DevicePath, required - offset);
          if (n >= size) n = size - 1;
          std::memcpy(path, detail->DevicePath, n);
          path[n] = '\0';
          found = true;
        }
      }
    }
    destroyList_(list);
    return found;
  }

 private:
  HMODULE module_;
  GetClassDevsFn getClassDevs_ = nullptr;
  EnumInterfacesFn enumInterfaces_ = nullptr;
  GetDetailFn getDetail_ = nullptr;
  DestroyListFn destroyList_ = nullptr;
};

HANDLE AsHandle(DriverHandle handle) { return reinterpret_cast<HANDLE>(handle); }

bool Valid(DriverHandle handle) {
  return handle != kInvalidDriverHandle && handle != 0 && AsHandle(handle) != INVALID_HANDLE_VALUE;
}

}  // namespace

DriverStatus Win32Driver::Enumerate(std::uint32_t member, char* path, std::size_t size) {
  if (path == nullptr || size == 0) return DriverStatus::kNoMoreItems;
  path[0] = '\0';
  SetupApi api;
  if (!api.usable() || !api.DevicePath(member, path, size)) return DriverStatus::kNoMoreItems;
  return DriverStatus::kOk;
}

DriverStatus Win32Driver::Open(const char* functionPath, DriverHandle* handle) {
  *handle = kInvalidDriverHandle;
  if (functionPath == nullptr || functionPath[0] == '\0') return DriverStatus::kNotFound;
  HANDLE h = CreateFileA(functionPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    switch (GetLastError()) {
      case ERROR_SHARING_VIOLATION: return DriverStatus::kBusy;
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND: return DriverStatus::kNotFound;
      default: return DriverStatus::kFailed;
    }
  }
  *handle = reinterpret_cast<DriverHandle>(h);
  return DriverStatus::kOk;
}

DriverStatus Win32Driver::Write(DriverHandle handle, const void* data, std::uint32_t length, std::uint32_t* written) {
  *written = 0;
  if (!Valid(handle)) return DriverStatus::kFailed;
  DWORD count = 0;
  if (WriteFile(AsHandle(handle), data, length, &count, nullptr)) {
    *written = count;
    return DriverStatus::kOk;
  }
  return GetLastError() == ERROR_SEM_TIMEOUT ? DriverStatus::kSemTimeout : DriverStatus::kFailed;
}

DriverStatus Win32Driver::Read(DriverHandle handle, void* buffer, std::uint32_t capacity, std::uint32_t* got) {
  *got = 0;
  if (!Valid(handle)) return DriverStatus::kFailed;
  DWORD count = 0;
  if (!ReadFile(AsHandle(handle), buffer, capacity, &count, nullptr)) return DriverStatus::kFailed;
  // A driver never reports more than it was given room for; should one, the count is not trusted.
  if (count > capacity) return DriverStatus::kFailed;
  *got = count;
  return DriverStatus::kOk;
}

bool Win32Driver::Control(DriverHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize,
                          void* output, std::uint32_t outputSize, std::uint32_t* returned) {
  if (returned != nullptr) *returned = 0;
  if (!Valid(handle)) return false;
  DWORD count = 0;
  if (!DeviceIoControl(AsHandle(handle), code, const_cast<void*>(input), inputSize, output, outputSize, &count,
                       nullptr)) {
    return false;
  }
  if (returned != nullptr) *returned = count > outputSize ? outputSize : count;
  return true;
}

void Win32Driver::Close(DriverHandle handle) {
  if (Valid(handle)) CloseHandle(AsHandle(handle));
}

}  // namespace qx::qxusb
