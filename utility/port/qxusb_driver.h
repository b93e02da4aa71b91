#pragma once

#include <cstddef>
#include <cstdint>

// The one way to the scanner: the QXUSB driver's device interfaces, its two function handles and
// the calls made on them. Two backends stand behind this interface: the Windows driver (SetupAPI,
// CreateFileA, ReadFile, WriteFile, DeviceIoControl) and the virtual driver, a client of the
// simulator over loopback. Every operation may block for as long as the driver's time-outs allow;
// none takes a lock of the caller's; all may be called from any thread, one call per handle at a
// time.
namespace qx::qxusb {

// An opened function of the driver: a Windows HANDLE for the real driver, a link number for the
// virtual one. PortGetHandle hands this value to the callers that issue control requests.
using DriverHandle = std::intptr_t;
inline constexpr DriverHandle kInvalidDriverHandle = -1;

enum class DriverStatus {
  kOk,
  kFailed,       // the Win32 call would return FALSE
  kNoMoreItems,  // no interface at that member index
  kBusy,         // sharing violation: another program has the function open
  kNotFound,     // no such function below the interface
  kSemTimeout,   // a write ended by the driver's time-out (ERROR_SEM_TIMEOUT)
};

// Size of a device interface path buffer, terminator included.
inline constexpr std::size_t kDevicePathSize = 260;

class Driver {
 public:
  virtual ~Driver() = default;

  // The device path of the member-th present interface of the QXUSB class, copied bounded by
  // `size` and terminated: kOk, or kNoMoreItems when there is none (also when the interface list
  // cannot be had).
  virtual DriverStatus Enumerate(std::uint32_t member, char* path, std::size_t size) = 0;

  // Opens a function path ("<device path>\QX" or "<device path>\KD") for reading and writing,
  // shared: kOk with *handle set, or kBusy / kNotFound / kFailed with *handle invalid.
  virtual DriverStatus Open(const char* functionPath, DriverHandle* handle) = 0;

  // Writes up to `length` bytes: kOk with *written = length, kSemTimeout with *written = 0 (the
  // count is asked for with kGetWrittenAfterTimeout), or kFailed.
  virtual DriverStatus Write(DriverHandle handle, const void* data, std::uint32_t length,
                             std::uint32_t* written) = 0;

  // Reads what arrives, up to `capacity` bytes, waiting at most the read time-out of the handle's
  // timeout block (read multiplier x capacity + read constant): kOk with *got = 0..capacity, or
  // kFailed with *got = 0.
  virtual DriverStatus Read(DriverHandle handle, void* buffer, std::uint32_t capacity,
                            std::uint32_t* got) = 0;

  // A buffered control request: true with *returned = the output bytes given, or false.
  virtual bool Control(DriverHandle handle, std::uint32_t code, const void* input,
                       std::uint32_t inputSize, void* output, std::uint32_t outputSize,
                       std::uint32_t* returned) = 0;

  // Closes a handle; closing an invalid or already closed handle does nothing.
  virtual void Close(DriverHandle handle) = 0;
};

// The driver of this process: the virtual driver when the environment variable QXR7000_SIM holds
// the simulator's loopback address ("127.0.0.1:PORT"), else the Windows driver on Windows and a
// driver with no devices elsewhere.
Driver& ProcessDriver();

}  // namespace qx::qxusb
