#include "checker/scanner_api.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "checker/error_names.h"
#include "checker/scanner_functions.h"

namespace qx::checker {
namespace {

constexpr UINT kMsgOffline = 104;
constexpr UINT kMsgCaption = 103;
constexpr UINT kMsgLoadFailed = 107;
constexpr UINT kMsgAnotherApi = 125;

constexpr wchar_t kLibraryFile[] = L"NorvaScanApiWrapper.dll";
constexpr std::size_t kPathSize = 260;
constexpr std::size_t kMessageSize = 520;
constexpr int kPrinterCapabilityPockets = 112;
constexpr std::uint8_t kOnePocketBit = 0x20;
constexpr int kCancelByChecker = 1;
constexpr int kCancelOnRequest = 34;

using MicrCallbackFn = int(WINAPI*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t);
using StatusCallbackFn = int(WINAPI*)(std::int32_t);

using EnableFn = int(WINAPI*)(int);
using OpenFn = int(WINAPI*)(int, const char*);
using SetMicrCallbackFn = int(WINAPI*)(int, MicrCallbackFn);
using SetStatusCallbackFn = int(WINAPI*)(int, StatusCallbackFn);
using PostPrintFn = int(WINAPI*)(int, void*, int);
using HandleFn = int(WINAPI*)(int);
using HandleIntFn = int(WINAPI*)(int, int);
using HandleThreeIntsFn = int(WINAPI*)(int, int, int, int);
using HandleFourIntsFn = int(WINAPI*)(int, int, int, int, int);
using GetStatusFn = int(WINAPI*)(int, std::uint32_t*);
using GetCapabilityFn = int(WINAPI*)(int, int, std::uint8_t*, std::uint8_t*);
using GetMicrTextFn = int(WINAPI*)(int, std::int32_t, MicrBlock*);
using GetScanImageFn = int(WINAPI*)(int, std::int32_t, ImageBlock*);

// The one object the library's callbacks reach; they do nothing while it is null.
std::atomic<CScannerApi*> g_scannerApi{nullptr};

// First-fetch flags: a getter contacts the library on its first call only.
enum FetchFlag { kFetchScan, kFetchFront, kFetchBack, kFetchMicr, kFetchHandling, kFetchFlags };
bool g_fetchPending[kFetchFlags] = {true, true, true, true, true};

// Takes the first pending fetch of a block: true exactly once.
bool TakeFetch(FetchFlag flag) {
  if (!g_fetchPending[flag]) return false;
  g_fetchPending[flag] = false;
  return true;
}

}  // namespace

CScannerApi::CScannerApi() {
  // One object per program run: its construction is the program's start for the fetch flags.
  for (bool& pending : g_fetchPending) pending = true;
  g_scannerApi.store(this);
}

CScannerApi::~CScannerApi() {
  CloseScanner();
  for (ImageBlock& block : imageBlocks_) {
    if (block.image != nullptr) GlobalFree(block.image);
    block.image = nullptr;
  }
  CScannerApi* self = this;
  g_scannerApi.compare_exchange_strong(self, nullptr);
}

int CScannerApi::LoadAndBind() {
  wchar_t path[kPathSize] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, kPathSize);
  if (length == 0 || length >= kPathSize) {
    DWORD error = GetLastError();
    return error != 0 ? static_cast<int>(error) : ERROR_INSUFFICIENT_BUFFER;
  }
  wchar_t* slash = std::wcsrchr(path, L'\\');
  std::size_t folderLength = slash != nullptr ? static_cast<std::size_t>(slash - path) + 1 : 0;
  if (folderLength + std::wcslen(kLibraryFile) >= kPathSize) return ERROR_FILENAME_EXCED_RANGE;
  std::wcscpy(path + folderLength, kLibraryFile);

  library_ = LoadLibraryW(path);
  if (library_ == nullptr) {
    DWORD error = GetLastError();
    // A load that failed must never read as success.
    return error != 0 ? static_cast<int>(error) : ERROR_MOD_NOT_FOUND;
  }
  for (const BoundName& entry : kBindingList) functions_[entry.slot] = GetProcAddress(library_, entry.name);
  return 0;
}

void CScannerApi::ShowOpenError(UINT messageId) const {
  HMODULE program = GetModuleHandleW(nullptr);
  wchar_t caption[kMessageSize] = {};
  wchar_t text[kMessageSize] = {};
  LoadStringW(program, kMsgCaption, caption, kMessageSize);
  LoadStringW(program, messageId, text, kMessageSize);
  MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONERROR);
}

int CScannerApi::PostPrint(void* block, int code) {
  auto fn = reinterpret_cast<PostPrintFn>(functions_[kSlotFunctionPostPrint]);
  return fn != nullptr ? fn(handle_, block, code) : kErrNotSupport;
}

int CScannerApi::OpenScanner() {
  if (scanEvent_ != nullptr) CloseHandle(scanEvent_);
  if (cancelEvent_ != nullptr) CloseHandle(cancelEvent_);
  scanEvent_ = CreateEventW(nullptr, TRUE, FALSE, L"ScanEvent");
  cancelEvent_ = CreateEventW(nullptr, TRUE, FALSE, L"CancelEvent");
  handle_ = 0;
  scannerOpen_ = false;

  if (library_ == nullptr) {
    int loaded = LoadAndBind();
    if (loaded != 0) {
      ShowOpenError(kMsgLoadFailed);
      return loaded;
    }
  }

  if (auto enable = reinterpret_cast<EnableFn>(functions_[kSlotEscnEnable])) enable(1);

  auto open = reinterpret_cast<OpenFn>(functions_[kSlotOpenMonPrinter]);
  if (open == nullptr) {
    // A library that cannot open a scanner is as good as one that failed to load.
    ShowOpenError(kMsgLoadFailed);
    return kErrNotSupport;
  }
  int handle = open(2, "QX-R7000U");
  handle_ = handle;
  if (handle < 0) {
    ShowOpenError(handle == kErrOpened ? kMsgAnotherApi : kMsgOffline);
    return handle;
  }
  scannerOpen_ = true;

  // Without the MICR callback no scan would ever report its end.
  auto setMicrCallback = reinterpret_cast<SetMicrCallbackFn>(functions_[kSlotMicrSetStatusBackFunction]);
  int result = setMicrCallback != nullptr ? setMicrCallback(handle_, &CScannerApi::MicrCallback) : kErrNotSupport;
  if (result != 0) return result;
  // The status callback only clears errors early; a library without it still scans.
  if (auto setStatusCallback = reinterpret_cast<SetStatusCallbackFn>(functions_[kSlotSetStatusBackFunction])) {
    result = setStatusCallback(handle_, &CScannerApi::StatusCallback);
    if (result != 0) return result;
  }

  GetImageBlock(kFaceFront);
  GetImageBlock(kFaceBack);

  micrBlock_.size = sizeof(MicrBlock);
  micrBlock_.version = kMicrBlockVersion;
  PostPrint(&micrBlock_, kReadMicrBlock);
  PostPrint(&micrBlock_, kWriteMicrBlock);

  auxBlock_.size = sizeof(AuxBlock);
  auxBlock_.version = kAuxBlockVersion;
  PostPrint(&auxBlock_, kReadAuxBlock);
  auxBlock_.text = L"";
  PostPrint(&auxBlock_, kWriteAuxBlock);

  if (auto select = reinterpret_cast<HandleThreeIntsFn>(functions_[kSlotMicrSelectDataHandling])) {
    select(handle_, 1, 0, 1);
  }
  PostPrint(nullptr, kPrepare);
  GetPocketCount();
  return 0;
}

int CScannerApi::CloseScanner() {
  if (cancelEvent_ != nullptr) SetEvent(cancelEvent_);
  // The library must not be closed or unloaded under a cleaning call that has not returned.
  while (cleaningCalls_.load() != 0) Sleep(10);
  if (scannerOpen_) {
    if (auto cancel = reinterpret_cast<HandleIntFn>(functions_[kSlotMicrCancelFunction])) cancel(handle_, kCancelByChecker);
    if (auto stop = reinterpret_cast<HandleFn>(functions_[kSlotMicrCancelStatusBack])) stop(handle_);
    if (auto close = reinterpret_cast<HandleFn>(functions_[kSlotCloseMonPrinter])) close(handle_);
    scannerOpen_ = false;
  }
  handle_ = 0;
  CancelScan();
  busy_.store(0);
  if (scanEvent_ != nullptr) CloseHandle(scanEvent_);
  if (cancelEvent_ != nullptr) CloseHandle(cancelEvent_);
  scanEvent_ = nullptr;
  cancelEvent_ = nullptr;
  if (library_ != nullptr) {
    FreeLibrary(library_);
    library_ = nullptr;
    for (FARPROC& slot : functions_) slot = nullptr;
  }
  return 0;
}

void CScannerApi::CancelScan() {
  if (cancelEvent_ != nullptr) SetEvent(cancelEvent_);
  if (!scannerOpen_) return;
  if (auto cancel = reinterpret_cast<HandleIntFn>(functions_[kSlotMicrCancelFunction])) cancel(handle_, kCancelByChecker);
}

std::uint32_t CScannerApi::GetStatus() {
  auto get = reinterpret_cast<GetStatusFn>(functions_[kSlotGetStatus]);
  std::uint32_t status = 0;
  if (get == nullptr || get(handle_, &status) != 0) return 0xFFFFFFFFu;
  return status;
}

int CScannerApi::GetPocketCount() {
  if (pocketCount_ != kUnknownPocketCount) return pocketCount_;
  auto get = reinterpret_cast<GetCapabilityFn>(functions_[kSlotGetPrnCapability]);
  if (get == nullptr) return pocketCount_;
  std::uint8_t length = 80;
  std::uint8_t capability[80] = {};
  if (get(handle_, kPrinterCapabilityPockets, &length, capability) == 0) {
    pocketCount_ = (capability[0] & kOnePocketBit) != 0 ? 1 : 2;
  }
  return pocketCount_;
}

ScanBlock* CScannerApi::GetScanBlock() {
  if (TakeFetch(kFetchScan)) {
    scanBlock_.size = sizeof(ScanBlock);
    scanBlock_.version = kScanBlockVersion;
    if (PostPrint(&scanBlock_, kReadScanBlock) != 0) return nullptr;
  }
  return &scanBlock_;
}

MicrBlock* CScannerApi::GetMicrBlock() {
  if (TakeFetch(kFetchMicr)) {
    micrBlock_.size = sizeof(MicrBlock);
    micrBlock_.version = kMicrBlockVersion;
    if (PostPrint(&micrBlock_, kReadMicrBlock) != 0) return nullptr;
  }
  return &micrBlock_;
}

HandlingBlock* CScannerApi::GetHandlingBlock() {
  if (TakeFetch(kFetchHandling)) {
    PostPrint(nullptr, kPrepare);
    handlingBlock_.size = sizeof(HandlingBlock);
    handlingBlock_.version = kHandlingBlockVersion;
    if (PostPrint(&handlingBlock_, kReadHandlingBlock) != 0) return nullptr;
  }
  return &handlingBlock_;
}

ImageBlock* CScannerApi::GetImageBlock(int face) {
  if (face != kFaceFront && face != kFaceBack) return nullptr;
  ImageBlock* block = &imageBlocks_[face];
  if (TakeFetch(face == kFaceFront ? kFetchFront : kFetchBack)) {
    block->size = sizeof(ImageBlock);
    block->version = kImageBlockVersion;
    // The second step is taken only with a block the library has filled.
    if (PostPrint(block, kReadImageBlock) != 0) return nullptr;
    if (PostPrint(block, face == kFaceFront ? kFetchFrontImageBlock : kFetchBackImageBlock) != 0) return nullptr;
    imageBlockFetched_[face].store(true);
  }
  return block;
}

int CScannerApi::SetScanBlock(ScanBlock* block) { return PostPrint(block, kWriteScanBlock); }
int CScannerApi::SetMicrBlock(MicrBlock* block) { return PostPrint(block, kWriteMicrBlock); }
int CScannerApi::SetHandlingBlock(HandlingBlock* block) { return PostPrint(block, kWriteHandlingBlock); }

int CScannerApi::ExecuteAndWait() {
  if (cancelEvent_ != nullptr) ResetEvent(cancelEvent_);
  if (scanEvent_ != nullptr) ResetEvent(scanEvent_);
  int started = PostPrint(nullptr, kStartScan);
  if (started != 0) return started;

  HANDLE events[2] = {scanEvent_, cancelEvent_};
  bool quit = false;
  WPARAM quitCode = 0;
  for (;;) {
    DWORD woken = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
    if (woken != WAIT_OBJECT_0 + 2) break;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // Dispatching cannot deliver a quit; it is handed back to the loop outside the wait.
        quit = true;
        quitCode = message.wParam;
        continue;
      }
      DispatchMessageW(&message);
    }
  }
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return 0;
}

int CScannerApi::CleanMicr() {
  auto clean = reinterpret_cast<HandleFn>(functions_[kSlotMicrCleaning]);
  if (clean == nullptr) return kErrNotSupport;
  cleaningCalls_.fetch_add(1);
  int result = clean(handle_);
  cleaningCalls_.fetch_sub(1);
  return result;
}

int CScannerApi::GetCheckResult(int index) const {
  return index >= 0 && index < kCheckResults ? checkResults_[index] : 0;
}

void CScannerApi::SetCheckResult(int index, int value) {
  if (index < 0 || index >= kCheckResults || (value != 0 && value != 1)) return;
  checkResults_[index] = value;
}

std::wstring CScannerApi::GetMicrText() const { return std::wstring(micrText_); }

const wchar_t* CScannerApi::ErrorName(int code) {
  static wchar_t number[16];
  if (const wchar_t* name = ScannerResultName(code)) return name;
  std::swprintf(number, sizeof number / sizeof number[0], L"%d", code);
  return number;
}

int WINAPI CScannerApi::MicrCallback(std::int32_t transaction, std::int32_t event, std::int32_t status,
                                     std::int32_t /*unused*/) {
  CScannerApi* api = g_scannerApi.load();
  if (api == nullptr) return 0;

  int code = status & 0xFFFF;
  if (code != 0) {
    api->lastResult_.store(code - 65536);
  } else if (api->scanBlock_.result != 0) {
    api->lastResult_.store(api->scanBlock_.result);
  }

  switch (event & 0xFFFF) {
    case kEventStarted:
      api->busy_.store(1);
      break;
    case kEventDataReady:
      api->OnDataReady(transaction);
      break;
    case kEventEnded:
      api->busy_.store(0);
      if (api->scanEvent_ != nullptr) SetEvent(api->scanEvent_);
      break;
    case kEventCancelRequest:
      if (auto cancel = reinterpret_cast<HandleIntFn>(api->functions_[kSlotMicrCancelFunction])) {
        cancel(api->handle_, kCancelOnRequest);
      }
      break;
    default:
      break;
  }
  return 0;
}

void CScannerApi::OnDataReady(std::int32_t transaction) {
  std::memset(micrBlock_.text, 0, sizeof micrBlock_.text);
  micrText_[0] = L'\0';
  micrBlock_.textRequest = 1;
  if (auto getText = reinterpret_cast<GetMicrTextFn>(functions_[kSlotGetMicrText])) {
    getText(handle_, transaction, &micrBlock_);
  }
  // The library's text is used only up to the end of its field.
  micrBlock_.text[kMicrTextSize - 1] = '\0';
  std::size_t i = 0;
  for (; i + 1 < kMicrTextSize && micrBlock_.text[i] != '\0'; ++i) {
    micrText_[i] = static_cast<wchar_t>(static_cast<unsigned char>(micrBlock_.text[i]));
  }
  micrText_[i] = L'\0';

  ReadFaceImage(transaction, kFaceFront);
  ReadFaceImage(transaction, kFaceBack);

  if (handlingBlock_.libraryDecides == 0) {
    if (auto behave = reinterpret_cast<HandleThreeIntsFn>(functions_[kSlotSetBehaviorToScnResult])) {
      behave(handle_, 36, handlingBlock_.franking0 == 1 ? 1 : 0, 3);
    }
  }
}

void CScannerApi::ReadFaceImage(std::int32_t transaction, int face) {
  if (!imageBlockFetched_[face].load()) return;
  auto select = reinterpret_cast<HandleIntFn>(functions_[kSlotSelectScanFace]);
  if (select == nullptr || select(handle_, face) != 0) return;
  ImageBlock& block = imageBlocks_[face];
  if (block.image != nullptr) GlobalFree(block.image);
  // Cleared at once, so that a read that fails later leaves no freed handle behind.
  block.image = nullptr;
  if (auto quality = reinterpret_cast<HandleFourIntsFn>(functions_[kSlotSetImageQuality])) quality(handle_, 8, 0, 48, 52);
  auto format = reinterpret_cast<HandleIntFn>(functions_[kSlotSetImageFormat]);
  if (format == nullptr || format(handle_, 3) != 0) return;
  if (auto getImage = reinterpret_cast<GetScanImageFn>(functions_[kSlotGetScanImage])) getImage(handle_, transaction, &block);
}

int WINAPI CScannerApi::StatusCallback(std::int32_t status) {
  CScannerApi* api = g_scannerApi.load();
  if (api == nullptr || status == 1) return 0;
  std::uint32_t word = static_cast<std::uint32_t>(status);
  bool mechanical = (word & kStatusMechanical4) != 0 && (word & kStatusMechanical3) != 0;
  if ((word & kStatusError) != 0 && !mechanical) {
    if (auto cancelError = reinterpret_cast<HandleFn>(api->functions_[kSlotCancelError])) cancelError(api->handle_);
  }
  return 0;
}

}  // namespace qx::checker
