#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/comm_device.h"
#include "platform/os_version.h"

namespace qx::platform {

namespace {

constexpr std::size_t kDosDeviceListSize = 4160;
constexpr char kSpoolerPipe[] = "\\Device\\NamedPipe\\Spooler\\";  // 26 characters

using DefineDosDeviceFn = BOOL(WINAPI*)(DWORD, LPCSTR, LPCSTR);
using QueryDosDeviceFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

HANDLE Native(CommHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// DefineDosDeviceA, looked up in KERNEL32.DLL at each use; 0 when it is missing.
BOOL DefineDosDeviceDynamic(DWORD flags, const char* name, const char* target) {
  HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
  if (kernel == nullptr) return FALSE;
  auto define = reinterpret_cast<DefineDosDeviceFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "DefineDosDeviceA")));
  BOOL result = define != nullptr ? define(flags, name, target) : FALSE;
  FreeLibrary(kernel);
  return result;
}

DWORD QueryDosDeviceDynamic(const char* name, char* targets, DWORD size) {
  HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
  if (kernel == nullptr) return 0;
  auto query = reinterpret_cast<QueryDosDeviceFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "QueryDosDeviceA")));
  DWORD result = query != nullptr ? query(name, targets, size) : 0;
  FreeLibrary(kernel);
  return result;
}

// Wine's DefineDosDevice builds the link name \DosDevices\ plus the device name in a buffer of
// 15 characters, so the 11-character aliases overrun its stack (a 32-bit process crashes there).
// Under Wine the port keeps the plain device name.
bool DosDeviceAliasesUsable() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr;
}

}  // namespace

struct CommIo {
  OVERLAPPED overlapped;
};

void SetCommDevicePath(CommKind, const char*) {}

void ComposeCommDeviceName(CommKind kind, int n, char* out, std::size_t size) {
  if (size == 0) return;
  const bool com = kind == CommKind::kCom;
  std::snprintf(out, size, com ? "\\\\.\\COM%d" : "\\\\.\\LPT%d", n);
  WindowsVersion version{};
  if (!QueryWindowsVersion(&version) || version.platformId != VER_PLATFORM_WIN32_NT || version.major <= 3) return;
  if (!DosDeviceAliasesUsable()) return;
  const char* alias = com ? "ComPortName" : "LptPortName";
  DefineDosDeviceDynamic(DDD_REMOVE_DEFINITION, alias, nullptr);
  char name[16];
  std::snprintf(name, sizeof name, com ? "COM%d" : "LPT%d", n);
  static thread_local char targets[kDosDeviceListSize];
  std::memset(targets, 0, sizeof targets);
  const DWORD got = QueryDosDeviceDynamic(name, targets, sizeof targets - 2);
  if (got == 0) return;
  // The list is NUL-separated and ends with an empty name; the walk stays inside what came.
  const char* chosen = nullptr;
  for (std::size_t at = 0; at < got && targets[at] != '\0';) {
    const char* target = targets + at;
    const std::size_t length = strnlen(target, got - at);
    if (std::strncmp(target, kSpoolerPipe, sizeof kSpoolerPipe - 1) != 0) {
      chosen = target;
      break;
    }
    at += length + 1;
  }
  if (chosen == nullptr) return;
  if (DefineDosDeviceDynamic(DDD_RAW_TARGET_PATH, alias, chosen)) {
    std::snprintf(out, size, com ? "\\\\.\\ComPortName" : "\\\\.\\LptPortName");
  }
}

CommHandle OpenCommDevice(const char* path, bool overlapped) {
  const DWORD attributes = overlapped ? FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_NORMAL;
  HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, attributes, nullptr);
  return handle == INVALID_HANDLE_VALUE ? kInvalidComm : reinterpret_cast<CommHandle>(handle);
}

void CloseCommDevice(CommHandle handle) {
  if (handle != kInvalidComm) CloseHandle(Native(handle));
}

bool SetCommLine(CommHandle handle, const CommLine& line) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = line.baudRate;
  dcb.fBinary = 1;
  dcb.fParity = 1;
  dcb.fOutxCtsFlow = line.outxCtsFlow;
  dcb.fOutxDsrFlow = line.outxDsrFlow;
  dcb.fDtrControl = line.dtrControl;
  dcb.fDsrSensitivity = line.dsrSensitivity;
  dcb.fOutX = line.outX;
  dcb.fInX = line.inX;
  dcb.fRtsControl = line.rtsControl;
  dcb.fAbortOnError = 1;
  dcb.ByteSize = line.byteSize;
  dcb.Parity = line.parity;
  dcb.StopBits = line.stopBits;
  dcb.XonChar = line.xonChar;
  dcb.XoffChar = line.xoffChar;
  return SetCommState(Native(handle), &dcb) != FALSE;
}

bool GetCommLine(CommHandle handle, CommLine* line) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(Native(handle), &dcb)) return false;
  line->baudRate = dcb.BaudRate;
  line->byteSize = dcb.ByteSize;
  line->parity = dcb.Parity;
  line->stopBits = dcb.StopBits;
  line->outxCtsFlow = dcb.fOutxCtsFlow != 0;
  line->outxDsrFlow = dcb.fOutxDsrFlow != 0;
  line->dtrControl = static_cast<std::uint8_t>(dcb.fDtrControl);
  line->outX = dcb.fOutX != 0;
  line->inX = dcb.fInX != 0;
  line->rtsControl = static_cast<std::uint8_t>(dcb.fRtsControl);
  line->dsrSensitivity = dcb.fDsrSensitivity != 0;
  line->xonChar = dcb.XonChar;
  line->xoffChar = dcb.XoffChar;
  return true;
}

bool SetupCommBuffers(CommHandle handle, std::uint32_t input, std::uint32_t output) {
  return SetupComm(Native(handle), input, output) != FALSE;
}

bool PurgeCommDevice(CommHandle handle, std::uint32_t flags) { return PurgeComm(Native(handle), flags) != FALSE; }

bool SetCommDeviceTimeouts(CommHandle handle, const CommTimeouts& t) {
  COMMTIMEOUTS timeouts{t.readInterval, t.readMultiplier, t.readConstant, t.writeMultiplier, t.writeConstant};
  return SetCommTimeouts(Native(handle), &timeouts) != FALSE;
}

bool GetCommDeviceTimeouts(CommHandle handle, CommTimeouts* t) {
  COMMTIMEOUTS timeouts{};
  if (!GetCommTimeouts(Native(handle), &timeouts)) return false;
  *t = CommTimeouts{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier, timeouts.ReadTotalTimeoutConstant,
                    timeouts.WriteTotalTimeoutMultiplier, timeouts.WriteTotalTimeoutConstant};
  return true;
}

bool ClearCommDeviceError(CommHandle handle, CommStatus* status) {
  DWORD errors = 0;
  COMSTAT stat{};
  if (!ClearCommError(Native(handle), &errors, &stat)) return false;
  if (status != nullptr) *status = CommStatus{errors, stat.cbInQue, stat.fDsrHold != 0};
  return true;
}

bool EscapeCommDevice(CommHandle handle, std::uint32_t function) {
  return EscapeCommFunction(Native(handle), function) != FALSE;
}

bool SetCommEventMask(CommHandle handle, std::uint32_t mask) { return SetCommMask(Native(handle), mask) != FALSE; }

bool GetCommEventMask(CommHandle handle, std::uint32_t* mask) {
  DWORD value = 0;
  if (!GetCommMask(Native(handle), &value)) return false;
  *mask = value;
  return true;
}

bool CommDeviceControl(CommHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize,
                       void* output, std::uint32_t outputSize, std::uint32_t* returned) {
  DWORD got = 0;
  BOOL ok = DeviceIoControl(Native(handle), code, const_cast<void*>(input), inputSize, output, outputSize, &got, nullptr);
  if (returned != nullptr) *returned = ok ? (got < outputSize ? got : outputSize) : 0;
  return ok != FALSE;
}

bool WriteCommDirect(CommHandle handle, const void* data, std::uint32_t length, std::uint32_t* done) {
  DWORD count = 0;
  BOOL ok = WriteFile(Native(handle), data, length, &count, nullptr);
  *done = count;
  return ok != FALSE;
}

bool ReadCommDirect(CommHandle handle, void* buffer, std::uint32_t length, std::uint32_t* done) {
  DWORD count = 0;
  BOOL ok = ReadFile(Native(handle), buffer, length, &count, nullptr);
  *done = count;
  return ok != FALSE;
}

CommIo* CreateCommIo() {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (event == nullptr) return nullptr;
  auto* io = new CommIo{};
  io->overlapped.hEvent = event;
  return io;
}

void DestroyCommIo(CommIo* io) {
  if (io == nullptr) return;
  CloseHandle(io->overlapped.hEvent);
  delete io;
}

namespace {

IoStart Started(BOOL ok, DWORD count, std::uint32_t* done, std::uint32_t* error) {
  *done = count;
  *error = 0;
  if (ok) return IoStart::kDone;
  *error = GetLastError();
  return *error == ERROR_IO_PENDING ? IoStart::kPending : IoStart::kFailed;
}

void Rewind(CommIo* io) {
  io->overlapped.Offset = 0;
  io->overlapped.OffsetHigh = 0;
  ResetEvent(io->overlapped.hEvent);
}

}  // namespace

IoStart StartCommWrite(CommHandle handle, CommIo* io, const void* data, std::uint32_t length, std::uint32_t* done,
                       std::uint32_t* error) {
  Rewind(io);
  DWORD count = 0;
  BOOL ok = WriteFile(Native(handle), data, length, &count, &io->overlapped);
  return Started(ok, count, done, error);
}

IoStart StartCommRead(CommHandle handle, CommIo* io, void* buffer, std::uint32_t length, std::uint32_t* done,
                      std::uint32_t* error) {
  Rewind(io);
  DWORD count = 0;
  BOOL ok = ReadFile(Native(handle), buffer, length, &count, &io->overlapped);
  return Started(ok, count, done, error);
}

IoPoll PollCommIo(CommHandle handle, CommIo* io, std::uint32_t* done) {
  DWORD count = 0;
  BOOL ok = GetOverlappedResult(Native(handle), &io->overlapped, &count, FALSE);
  *done = count;
  if (ok) return IoPoll::kDone;
  return GetLastError() == ERROR_IO_INCOMPLETE ? IoPoll::kIncomplete : IoPoll::kFailed;
}

std::uint32_t CancelCommIo(CommHandle handle, CommIo* io) {
  // CancelIoEx cancels just this transfer; the systems before it have only CancelIo, which
  // cancels what the calling thread started, and the caller is the thread that started it.
  using CancelIoExFn = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
  static const auto cancelIoEx =
      reinterpret_cast<CancelIoExFn>(GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "CancelIoEx"));
  if (cancelIoEx != nullptr) {
    cancelIoEx(Native(handle), &io->overlapped);
  } else {
    CancelIo(Native(handle));
  }
  DWORD count = 0;
  GetOverlappedResult(Native(handle), &io->overlapped, &count, TRUE);
  return count;
}

bool WaitCommDeviceEvent(CommHandle handle, CommIo* io, std::uint32_t* events) {
  Rewind(io);
  DWORD mask = 0;
  *events = 0;
  if (WaitCommEvent(Native(handle), &mask, &io->overlapped)) {
    *events = mask;
    return true;
  }
  if (GetLastError() != ERROR_IO_PENDING) return false;
  // Clearing the handle's event mask completes the wait, so it cannot outlive the port's close.
  DWORD count = 0;
  if (!GetOverlappedResult(Native(handle), &io->overlapped, &count, TRUE)) return false;
  *events = mask;
  return true;
}

}  // namespace qx::platform
