#pragma once

namespace qx {

// Outcomes of a gather, a device check or a file operation; in batch mode the process exit code.
enum ResultCode : int {
  kResultNoListedCause = 0,  // the scanner reported an error cause with no listed bit
  kResultSuccess = 1,
  kResultOldDriver = 201,
  kResultHostController = 202,
  kResultScannerBusy = 203,
  kResultNoScanner = 204,
  kResultManyScanners = 205,
  kResultSwitchOn = 301,
  kResultFirmwareDamaged = 302,
  kResultInvalidModeCounter = 303,
  kResultInvalidMode = 304,
  kResultReadFailed = 401,
  kResultControlFailed = 402,
  kResultFileWrite = 501,    // setting file: not opened for writing, or a write fell short
  kResultFileFormat = 502,   // setting file: header does not match, or the record is short
  kResultFileMissing = 503,  // setting file: read without an open file
  kResultStartup = 1001,
};

// Exit codes of the entry that are not gather results.
enum ExitCode : int {
  kExitSuccess = 0,
  kExitAlreadyRunning = 101,
  kExitUnsupportedWindows = 102,
};

}  // namespace qx
