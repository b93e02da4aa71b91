#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "checker/scanner_blocks.h"

// CScannerApi: the checker's one connection to the scanner. It loads NorvaScanApiWrapper.dll
// from the program's own folder, binds its functions by name, opens the scanner, keeps the five
// parameter blocks, starts scans and waits for their end, and receives the library's two
// callbacks (on a thread of the library's choosing).
//
// Threads: the GUI thread calls every operation. The callbacks write the busy flag and
// LastResult (whole 32-bit atomics), the MICR text, MicrBlock and the two ImageBlocks, and set
// the events; the GUI thread reads the blocks and the text only after "ScanEvent" or
// "CancelEvent" was signalled and the busy flag has dropped to 0.
namespace qx::checker {

class CScannerApi {
 public:
  static constexpr int kFunctionSlots = 69;
  static constexpr int kFaceFront = 0;
  static constexpr int kFaceBack = 1;
  static constexpr int kUnknownPocketCount = 255;
  static constexpr int kCheckResults = 6;

  // Sets the process-wide pointer the callbacks use and arms the five first-fetch flags.
  CScannerApi();
  // Closes what is still open and clears the process-wide pointer.
  ~CScannerApi();
  CScannerApi(const CScannerApi&) = delete;
  CScannerApi& operator=(const CScannerApi&) = delete;

  // 0, or the failing step's code (after its message box, where there is one).
  int OpenScanner();
  // Always 0. Safe after a failed or no open, and a second time. Waits for a cleaning still
  // running on a worker thread before it closes the scanner and unloads the library.
  int CloseScanner();
  // The status word; 0xFFFFFFFF when the library cannot tell.
  std::uint32_t GetStatus();
  // 1, 2, or 255 while unknown (asked again on each call until known).
  int GetPocketCount();

  // The block; null when its first fetch failed (that one call only).
  ScanBlock* GetScanBlock();
  MicrBlock* GetMicrBlock();
  HandlingBlock* GetHandlingBlock();
  ImageBlock* GetImageBlock(int face);

  // The library's result of writing the block, 0 success.
  int SetScanBlock(ScanBlock* block);
  int SetMicrBlock(MicrBlock* block);
  int SetHandlingBlock(HandlingBlock* block);

  // Starts the prepared scan and waits, dispatching the thread's messages, until it has ended or
  // was cancelled. The library's result of starting the scan: 0 when it started (the scan's own
  // outcome is LastResult), otherwise its code, returned at once.
  int ExecuteAndWait();
  void CancelScan();
  // Runs the MICR cleaning; the library's result. May run on a worker thread.
  int CleanMicr();

  int IsBusy() const { return busy_.load(); }
  int GetLastResult() const { return lastResult_.load(); }
  int GetCheckResult(int index) const;
  // Stores only 0 or 1, only at an index 0..5.
  void SetCheckResult(int index, int value);
  std::wstring GetMicrText() const;

  // The result code's name, or its decimal text (in a buffer the next such call overwrites).
  static const wchar_t* ErrorName(int code);

  // The callbacks the library is given (standard calling convention, result 0).
  static int WINAPI MicrCallback(std::int32_t transaction, std::int32_t event, std::int32_t status, std::int32_t unused);
  static int WINAPI StatusCallback(std::int32_t status);

 private:
  int LoadAndBind();
  void ShowOpenError(UINT messageId) const;
  int PostPrint(void* block, int code);
  void OnDataReady(std::int32_t transaction);
  void ReadFaceImage(std::int32_t transaction, int face);
  bool IsOpen() const { return scannerOpen_; }

  // Fields in the order the checker has always kept them.
  std::int32_t handle_ = 0;
  HMODULE library_ = nullptr;
  HANDLE scanEvent_ = nullptr;
  HANDLE cancelEvent_ = nullptr;
  ScanBlock scanBlock_{};
  ImageBlock imageBlocks_[2]{};
  MicrBlock micrBlock_{};
  AuxBlock auxBlock_{};
  HandlingBlock handlingBlock_{};
  wchar_t micrText_[kMicrTextSize]{};
  std::int32_t checkResults_[kCheckResults]{};
  std::atomic<std::int32_t> lastResult_{0};
  FARPROC functions_[kFunctionSlots]{};
  std::atomic<std::int32_t> busy_{0};
  int pocketCount_ = kUnknownPocketCount;
  // A handle of 0 is a valid scanner handle, so "open" is kept apart from it.
  bool scannerOpen_ = false;
  // Whether a face's block holds what the library delivered; the callback reads no image into a
  // block whose fetch failed or has not happened yet.
  std::atomic<bool> imageBlockFetched_[2]{};
  // Calls of CleanMicr in progress (it runs on a worker thread).
  std::atomic<int> cleaningCalls_{0};

  static_assert(std::atomic<std::int32_t>::is_always_lock_free);
};

}  // namespace qx::checker
