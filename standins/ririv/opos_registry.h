#pragma once

#include <windows.h>

#ifdef RIRIV_BUILDING
#define RIRIV_API __declspec(dllexport)
#else
#define RIRIV_API __declspec(dllimport)
#endif

// One open key of the Windows registry (HKEY_LOCAL_MACHINE, as a 32-bit program sees it).
// Every operation answers a Win32 error code: 0 done, 2 (ERROR_FILE_NOT_FOUND) no such key or
// value, anything else a failure; an operation that needs an open key answers 6
// (ERROR_INVALID_HANDLE) when none is open.
//
// The flag of both Opens: non-zero opens an existing key for reading only; 0 opens it for reading
// and writing and creates it (with the missing keys above it) when it does not exist yet.
//
// Text buffers are blocks of the process heap (HeapAlloc(GetProcessHeap(), ...)): the text read
// takes such a block, replaces it by a larger one (HeapReAlloc) when the value needs more room,
// and the caller frees whatever it holds afterwards with HeapFree, on success and on failure.
class RIRIV_API COposRegistry {
 public:
  COposRegistry();
  ~COposRegistry();
  COposRegistry(const COposRegistry&) = delete;
  COposRegistry& operator=(const COposRegistry&) = delete;

  // Opens root\key\subKey (root\key when subKey is empty or null). Closes any key open before.
  long Open(HKEY root, const char* key, const char* subKey, int flag);
  // Opens a service's key: HKEY_LOCAL_MACHINE\SOFTWARE\NORVA\OPOS, then key (a path such as
  // "\DriverInfo\CheckScanner"), then the device name as the last key.
  long Open(const char* key, const char* name, int flag);
  // Closes the open key; closing when none is open does nothing and answers 0.
  long Close();

  // A number value (REG_DWORD). A value that exists but is not a number answers 2 as well, so that
  // a caller can try it as text.
  long GetValue(const char* name, unsigned long& value);
  // A text value (REG_SZ or REG_EXPAND_SZ, not expanded), always zero-terminated in `text`.
  long GetValue(const char* name, char*& text);
  long SetValue(const char* name, unsigned long value);
  long SetValue(const char* name, const char* text);

 private:
  HKEY key_;
};
