#pragma once

#include <cstddef>
#include <cstdint>

// COM and LPT devices: the Win32 comm calls on Windows (CreateFileA, DCB, COMMTIMEOUTS,
// overlapped ReadFile/WriteFile, WaitCommEvent) and termios character devices elsewhere
// (/dev/ttyS<n>, /dev/lp<n>), mapping the same settings. Results follow the Win32 calls: true
// for success. None of these takes a lock of the caller's.
namespace qx::platform {

using CommHandle = std::intptr_t;
inline constexpr CommHandle kInvalidComm = -1;

enum class CommKind { kCom, kLpt };

// DTR and RTS control values, as the Windows DCB numbers them.
inline constexpr std::uint8_t kLineControlDisable = 0;
inline constexpr std::uint8_t kLineControlEnable = 1;
inline constexpr std::uint8_t kLineControlHandshake = 2;

// The line settings of a COM port (the DCB fields the port sets; fBinary, fParity and
// fAbortOnError are always on).
struct CommLine {
  std::uint32_t baudRate = 19200;
  std::uint8_t byteSize = 8;
  std::uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
  bool outxCtsFlow = false;
  bool outxDsrFlow = true;
  std::uint8_t dtrControl = kLineControlHandshake;
  bool outX = false;
  bool inX = false;
  std::uint8_t rtsControl = kLineControlDisable;
  bool dsrSensitivity = false;
  char xonChar = 17;
  char xoffChar = 19;
};

struct CommTimeouts {
  std::uint32_t readInterval = 0xFFFFFFFFu;
  std::uint32_t readMultiplier = 0;
  std::uint32_t readConstant = 0;
  std::uint32_t writeMultiplier = 0;
  std::uint32_t writeConstant = 2000;
};

struct CommStatus {
  std::uint32_t errors = 0;
  std::uint32_t inQueue = 0;
  bool dsrHold = false;
};

// PurgeComm flags, EscapeCommFunction codes and the comm event bit, with their Win32 values.
inline constexpr std::uint32_t kPurgeTxAbort = 0x1;
inline constexpr std::uint32_t kPurgeRxAbort = 0x2;
inline constexpr std::uint32_t kPurgeTxClear = 0x4;
inline constexpr std::uint32_t kPurgeRxClear = 0x8;
inline constexpr std::uint32_t kEscapeSetRts = 3;
inline constexpr std::uint32_t kEscapeClrRts = 4;
inline constexpr std::uint32_t kEscapeSetDtr = 5;
inline constexpr std::uint32_t kEscapeClrDtr = 6;
inline constexpr std::uint32_t kEventRxChar = 0x1;

inline constexpr std::size_t kCommPathSize = 260;

// The device name of COM or LPT number n (1-based). Windows: "\\.\COM%d" / "\\.\LPT%d", or the
// "ComPortName" / "LptPortName" alias of the first target that is not the spooler's pipe (NT
// family, DefineDosDeviceA/QueryDosDeviceA looked up at each use). Elsewhere: the path set with
// SetCommDevicePath, else "/dev/ttyS<n-1>" / "/dev/lp<n-1>".
void ComposeCommDeviceName(CommKind kind, int n, char* out, std::size_t size);
// Outside Windows: the device every COM (or LPT) number opens, for tests (null: the default
// names). Windows ignores it: there, COM ports are mapped by the system (or Wine's dosdevices).
void SetCommDevicePath(CommKind kind, const char* path);

// Read and write, no sharing; overlapped for the threaded ports. kInvalidComm on failure.
CommHandle OpenCommDevice(const char* path, bool overlapped);
void CloseCommDevice(CommHandle handle);

bool SetCommLine(CommHandle handle, const CommLine& line);
bool GetCommLine(CommHandle handle, CommLine* line);
bool SetupCommBuffers(CommHandle handle, std::uint32_t input, std::uint32_t output);
bool PurgeCommDevice(CommHandle handle, std::uint32_t flags);
bool SetCommDeviceTimeouts(CommHandle handle, const CommTimeouts& timeouts);
bool GetCommDeviceTimeouts(CommHandle handle, CommTimeouts* timeouts);
bool ClearCommDeviceError(CommHandle handle, CommStatus* status);
bool EscapeCommDevice(CommHandle handle, std::uint32_t function);
bool SetCommEventMask(CommHandle handle, std::uint32_t mask);
bool GetCommEventMask(CommHandle handle, std::uint32_t* mask);
// A buffered driver request on the device (DeviceIoControl); false where there is none.
bool CommDeviceControl(CommHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize,
                       void* output, std::uint32_t outputSize, std::uint32_t* returned);

// One synchronous transfer (direct mode), bounded by the device's timeouts: the count moved.
bool WriteCommDirect(CommHandle handle, const void* data, std::uint32_t length, std::uint32_t* done);
bool ReadCommDirect(CommHandle handle, void* buffer, std::uint32_t length, std::uint32_t* done);

// An overlapped transfer's state (an OVERLAPPED with its manual-reset event on Windows).
struct CommIo;
CommIo* CreateCommIo();  // null when no event could be made
void DestroyCommIo(CommIo* io);

enum class IoStart { kDone, kPending, kFailed };
enum class IoPoll { kDone, kIncomplete, kFailed };
// Starts a transfer; kDone with *done set, kPending (poll it), or kFailed with *error the system's
// error code.
IoStart StartCommWrite(CommHandle handle, CommIo* io, const void* data, std::uint32_t length, std::uint32_t* done,
                       std::uint32_t* error);
IoStart StartCommRead(CommHandle handle, CommIo* io, void* buffer, std::uint32_t length, std::uint32_t* done,
                      std::uint32_t* error);
// Looks at a pending transfer without waiting.
IoPoll PollCommIo(CommHandle handle, CommIo* io, std::uint32_t* done);
// Cancels a pending transfer and waits until the system is done with it, so that `io` and the
// transfer's buffer may be freed; returns the count that went through before the cancel. Called
// by the thread that started the transfer.
std::uint32_t CancelCommIo(CommHandle handle, CommIo* io);
// Waits for the next comm event of the handle's mask; *events 0 when the mask was cleared (which
// ends the wait). False when the wait failed.
bool WaitCommDeviceEvent(CommHandle handle, CommIo* io, std::uint32_t* events);

}  // namespace qx::platform
