// The 19 functions of the scanner API library that the checker calls. Each checks its handle and
// arguments, asks the virtual scanner where the scanner has a say, and records itself in the
// call log. Callbacks come from a thread of the library's own, as the maker's library sends them.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "checker/scanner_blocks.h"
#include "standins/norvascan/call_log.h"
#include "standins/norvascan/sim_link.h"

using qx::checker::AuxBlock;
using qx::checker::HandlingBlock;
using qx::checker::ImageBlock;
using qx::checker::MicrBlock;
using qx::checker::ScanBlock;
using qx::norvascan::LogCall;
using qx::norvascan::SimLink;

namespace {

constexpr int kSuccess = 0;
constexpr int kErrOpened = -20;
constexpr int kErrNoPrinter = -30;
constexpr int kErrHandle = -60;
constexpr int kErrParam = -90;
constexpr std::uint32_t kEventWaitMs = 100;
constexpr std::uint32_t kCleaningMarginMs = 30000;

using MicrCallback = int(WINAPI*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t);
using StatusCallback = int(WINAPI*)(std::int32_t);

// The library's copies of the blocks: what a read hands out is what the last write left.
struct LibraryBlocks {
  ScanBlock scan{};
  MicrBlock micr{};
  AuxBlock aux{};
  HandlingBlock handling{};
  ImageBlock image{};
};

LibraryBlocks DefaultBlocks() {
  LibraryBlocks b;
  b.scan.size = sizeof(ScanBlock);
  b.scan.version = qx::checker::kScanBlockVersion;
  b.scan.scanSetting = 1;
  b.micr.size = sizeof(MicrBlock);
  b.micr.version = qx::checker::kMicrBlockVersion;
  b.aux.size = sizeof(AuxBlock);
  b.aux.version = qx::checker::kAuxBlockVersion;
  b.handling.size = sizeof(HandlingBlock);
  b.handling.version = qx::checker::kHandlingBlockVersion;
  b.handling.libraryDecides = 1;
  b.handling.interval = 1000;
  qx::checker::SetPocketCodes(&b.handling, 34);
  b.handling.ejectMode = 3;
  b.image.size = sizeof(ImageBlock);
  b.image.version = qx::checker::kImageBlockVersion;
  b.image.reserved8[0] = 100;  // dots per inch
  b.image.reserved8[2] = 8;    // bits per pixel
  return b;
}

struct Session {
  std::mutex mutex;  // everything below and the scanner link
  SimLink link;
  bool open = false;
  std::int32_t handle = 0;
  int face = 0;
  LibraryBlocks blocks = DefaultBlocks();
  std::thread events;
  std::atomic<bool> stopping{false};
  std::atomic<MicrCallback> micrCallback{nullptr};
  std::atomic<StatusCallback> statusCallback{nullptr};
};

Session g_session;

std::uint32_t U32(const std::vector<std::uint8_t>& v, std::size_t at) {
  return static_cast<std::uint32_t>(v[at]) | static_cast<std::uint32_t>(v[at + 1]) << 8 |
         static_cast<std::uint32_t>(v[at + 2]) << 16 | static_cast<std::uint32_t>(v[at + 3]) << 24;
}

void EventLoop(SimLink* events) {
  while (!g_session.stopping.load()) {
    std::uint32_t wait = kEventWaitMs;
    std::uint8_t status = 0;
    std::vector<std::uint8_t> e;
    if (!events->Transact('N', &wait, 4, kEventWaitMs + 10000, &status, &e) || status != 0) break;
    if (e.size() == 9 && e[0] == 1) {
      std::int32_t event = e[1] | e[2] << 8;
      std::int32_t code = e[3] | e[4] << 8;
      std::int32_t transaction = static_cast<std::int32_t>(U32(e, 5));
      MicrCallback callback = g_session.micrCallback.load();
      LogCall("callback MICR(%d, %d, 0x%04X)%s", transaction, event, code, callback ? "" : " not delivered");
      if (callback != nullptr) callback(transaction, event, code, 0);
    } else if (e.size() == 5 && e[0] == 2) {
      std::uint32_t word = U32(e, 1);
      StatusCallback callback = g_session.statusCallback.load();
      LogCall("callback status(0x%08X)%s", word, callback ? "" : " not delivered");
      if (callback != nullptr) callback(static_cast<std::int32_t>(word));
    }
  }
  delete events;
}

// True when `h` is the open scanner's handle; the caller holds the session's mutex.
bool ValidHandle(int h) { return g_session.open && h == g_session.handle; }

// A fixed answer the virtual scanner gives in place of a library function ("refuse" there).
std::int32_t Refusal(const std::string& name) {
  std::vector<std::uint8_t> none;
  return g_session.link.Call('F', name.data(), static_cast<std::uint32_t>(name.size()), &none);
}

bool BlockMatches(const void* block, std::uint32_t size, std::uint32_t version) {
  if (block == nullptr) return false;
  std::uint32_t head[2];
  std::memcpy(head, block, sizeof head);
  return head[0] == size && head[1] == version;
}

void Describe(const void* block, int code, char* out, std::size_t size) {
  if (block == nullptr) {
    std::snprintf(out, size, "null");
    return;
  }
  std::uint32_t head[2];
  std::memcpy(head, block, sizeof head);
  int n = std::snprintf(out, size, "block %u v0x%04X", head[0], head[1]);
  // The scan's two blocks are written out whole (only when the caller's size says they are): a
  // reader of the log sees every byte the caller prepared before a scan.
  bool wholeBlock = (code == qx::checker::kWriteScanBlock && head[0] == sizeof(ScanBlock)) ||
                    (code == qx::checker::kWriteHandlingBlock && head[0] == sizeof(HandlingBlock));
  if (wholeBlock && n > 0) {
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    std::size_t at = static_cast<std::size_t>(n);
    at += static_cast<std::size_t>(std::snprintf(out + at, at < size ? size - at : 0, " bytes "));
    for (std::uint32_t i = 0; i < head[0] && at + 3 <= size; ++i, at += 2) std::snprintf(out + at, 3, "%02X", bytes[i]);
  }
  if (code == qx::checker::kWriteAuxBlock && head[0] == sizeof(AuxBlock) && n > 0) {
    const wchar_t* text = static_cast<const AuxBlock*>(block)->text;
    std::string narrow;
    for (std::size_t i = 0; text != nullptr && text[i] != L'\0' && i < 40; ++i) narrow += static_cast<char>(text[i]);
    std::snprintf(out + n, size - static_cast<std::size_t>(n), text == nullptr ? " text null" : " text \"%s\"",
                  narrow.c_str());
  }
}

// Copies between the caller's block and the library's, after checking the size and version the
// caller wrote.
int Transfer(void* caller, void* library, std::uint32_t size, std::uint32_t version, bool read) {
  if (!BlockMatches(caller, size, version)) return kErrParam;
  if (read) std::memcpy(caller, library, size);
  else std::memcpy(library, caller, size);
  return kSuccess;
}

int PostPrint(int h, void* block, int code) {
  using namespace qx::checker;
  LibraryBlocks& b = g_session.blocks;
  if (!ValidHandle(h)) return kErrHandle;
  int refused = Refusal("BiSCNMICRFunctionPostPrint/" + std::to_string(code));
  if (refused != 0) return refused;
  switch (code) {
    case kStartScan: {
      std::uint8_t settings[3] = {b.micr.font, b.handling.pocket0, b.handling.franking0};
      return g_session.link.Call('G', settings, 3, nullptr);
    }
    case kWriteScanBlock: return Transfer(block, &b.scan, sizeof(ScanBlock), kScanBlockVersion, false);
    case kWriteMicrBlock: return Transfer(block, &b.micr, sizeof(MicrBlock), kMicrBlockVersion, false);
    case kWriteAuxBlock: return Transfer(block, &b.aux, sizeof(AuxBlock), kAuxBlockVersion, false);
    case kWriteHandlingBlock: return Transfer(block, &b.handling, sizeof(HandlingBlock), kHandlingBlockVersion, false);
    case kReadScanBlock: return Transfer(block, &b.scan, sizeof(ScanBlock), kScanBlockVersion, true);
    case kReadMicrBlock: return Transfer(block, &b.micr, sizeof(MicrBlock), kMicrBlockVersion, true);
    case kReadAuxBlock: return Transfer(block, &b.aux, sizeof(AuxBlock), kAuxBlockVersion, true);
    case kReadHandlingBlock: return Transfer(block, &b.handling, sizeof(HandlingBlock), kHandlingBlockVersion, true);
    case kReadImageBlock: {
      if (!BlockMatches(block, sizeof(ImageBlock), kImageBlockVersion)) return kErrParam;
      // The picture field is the caller's: a read never touches it.
      std::memcpy(block, &b.image, offsetof(ImageBlock, image));
      return kSuccess;
    }
    case kFetchFrontImageBlock:
    case kFetchBackImageBlock:
      return BlockMatches(block, sizeof(ImageBlock), kImageBlockVersion) ? kSuccess : kErrParam;
    case kPrepare:
      return block == nullptr ? kSuccess : kErrParam;
    default:
      return kErrParam;
  }
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI BiESCNEnable(int mode) {
  LogCall("BiESCNEnable(%d) = 0", mode);
  return kSuccess;
}

__declspec(dllexport) int WINAPI BiOpenMonPrinter(int type, const char* name) {
  std::unique_lock<std::mutex> lock(g_session.mutex);
  int result = kErrParam;
  bool named = name != nullptr && std::strncmp(name, "QX-R7000U", 16) == 0;
  if (type != 2 || !named) {
    result = kErrParam;
  } else if (g_session.open) {
    result = kErrOpened;
  } else if (!g_session.link.Connect()) {
    result = kErrNoPrinter;
  } else {
    std::uint32_t member = 0;
    std::uint8_t status = 0;
    std::vector<std::uint8_t> answer, attached;
    auto* events = new SimLink;
    if (!g_session.link.Transact('A', &member, 4, 10000, &status, &answer)) {
      result = kErrNoPrinter;
    } else if (status == 3) {
      result = kErrOpened;
    } else if (status != 0 || answer.size() != 4) {
      result = kErrNoPrinter;
    } else if (!events->Connect() || !events->Transact('V', &member, 4, 10000, &status, &attached) || status != 0) {
      result = kErrNoPrinter;
    } else {
      g_session.open = true;
      g_session.handle = static_cast<std::int32_t>(U32(answer, 0) & 0x7FFFFFFF);
      g_session.blocks = DefaultBlocks();
      g_session.face = 0;
      g_session.stopping = false;
      g_session.events = std::thread(EventLoop, events);
      events = nullptr;
      result = g_session.handle;
    }
    delete events;
    if (result < 0) g_session.link.Close();
  }
  LogCall("BiOpenMonPrinter(%d, \"%.16s\") = %d", type, name != nullptr ? name : "(null)", result);
  return result;
}

__declspec(dllexport) int WINAPI BiSCNMICRSetStatusBackFunction(int h, MicrCallback callback) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  int result = !ValidHandle(h) ? kErrHandle : callback == nullptr ? kErrParam : Refusal("BiSCNMICRSetStatusBackFunction");
  if (result == kSuccess) g_session.micrCallback.store(callback);
  LogCall("BiSCNMICRSetStatusBackFunction(%d, %s) = %d", h, callback ? "callback" : "null", result);
  return result;
}

__declspec(dllexport) int WINAPI BiSetStatusBackFunction(int h, StatusCallback callback) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  int result = !ValidHandle(h) ? kErrHandle : callback == nullptr ? kErrParam : Refusal("BiSetStatusBackFunction");
  if (result == kSuccess) g_session.statusCallback.store(callback);
  LogCall("BiSetStatusBackFunction(%d, %s) = %d", h, callback ? "callback" : "null", result);
  return result;
}

__declspec(dllexport) int WINAPI BiSCNMICRFunctionPostPrint(int h, void* block, int code) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  // Room for the description and the hex of the largest block written out whole.
  char described[80 + 2 * sizeof(ScanBlock)];
  Describe(block, code, described, sizeof described);
  int result = PostPrint(h, block, code);
  LogCall("BiSCNMICRFunctionPostPrint(%d, %s, %d) = %d", h, described, code, result);
  return result;
}

__declspec(dllexport) int WINAPI BiMICRSelectDataHandling(int h, int a, int b, int c) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  int result = ValidHandle(h) ? kSuccess : kErrHandle;
  LogCall("BiMICRSelectDataHandling(%d, %d, %d, %d) = %d", h, a, b, c, result);
  return result;
}

__declspec(dllexport) int WINAPI BiGetPrnCapability(int h, int id, std::uint8_t* length, std::uint8_t* buffer) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  int given = length != nullptr ? *length : -1;
  int result = kSuccess;
  std::vector<std::uint8_t> facts;
  if (!ValidHandle(h)) {
    result = kErrHandle;
  } else if (id != 112 || length == nullptr || buffer == nullptr || *length < 2) {
    result = kErrParam;
  } else if ((result = g_session.link.Call('P', nullptr, 0, &facts)) == kSuccess && facts.size() == 2) {
    // Byte 0: 0x20 on a scanner with one pocket; byte 1: 1 with a franker installed.
    buffer[0] = facts[0] == 1 ? 0x20 : 0x00;
    buffer[1] = facts[1];
    *length = 2;
  }
  LogCall("BiGetPrnCapability(%d, %d, %d) = %d", h, id, given, result);
  return result;
}

__declspec(dllexport) int WINAPI BiGetStatus(int h, std::uint32_t* status) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  std::vector<std::uint8_t> word;
  int result = !ValidHandle(h) ? kErrHandle : status == nullptr ? kErrParam : g_session.link.Call('S', nullptr, 0, &word);
  if (result == kSuccess && word.size() == 4) *status = U32(word, 0);
  LogCall("BiGetStatus(%d) = %d 0x%08X", h, result, result == kSuccess ? *status : 0u);
  return result;
}

__declspec(dllexport) int WINAPI BiCancelError(int h) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  int result = ValidHandle(h) ? g_session.link.Call('K', nullptr, 0, nullptr) : kErrHandle;
  LogCall("BiCancelError(%d) = %d", h, result);
  return result;
}

__declspec(dllexport) int WINAPI BiMICRCleaning(int h) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  int result = ValidHandle(h) ? g_session.link.Call('L', nullptr, 0, nullptr, kCleaningMarginMs + 600000) : kErrHandle;
  LogCall("BiMICRCleaning(%d) = %d", h, result);
  return result;
}

__declspec(dllexport) int WINAPI BiSCNMICRCancelFunction(int h, int reason) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  std::uint8_t r = static_cast<std::uint8_t>(reason);
  int result = !ValidHandle(h) ? kErrHandle : (reason != 1 && reason != 34) ? kErrParam : g_session.link.Call('Q', &r, 1, nullptr);
  LogCall("BiSCNMICRCancelFunction(%d, %d) = %d", h, reason, result);
  return result;
}

__declspec(dllexport) int WINAPI BiSCNMICRCancelStatusBack(int h) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  int result = ValidHandle(h) ? kSuccess : kErrHandle;
  if (result == kSuccess) g_session.micrCallback.store(nullptr);
  LogCall("BiSCNMICRCancelStatusBack(%d) = %d", h, result);
  return result;
}

__declspec(dllexport) int WINAPI BiCloseMonPrinter(int h) {
  std::unique_lock<std::mutex> lock(g_session.mutex);
  int result = ValidHandle(h) ? kSuccess : kErrHandle;
  if (result == kSuccess) {
    g_session.open = false;
    g_session.stopping = true;
    std::thread events = std::move(g_session.events);
    lock.unlock();
    // A callback still running may call into the library: wait for it without the lock.
    if (events.joinable()) {
      if (events.get_id() == std::this_thread::get_id()) events.detach();
      else events.join();
    }
    lock.lock();
    g_session.link.Close();
    g_session.micrCallback.store(nullptr);
    g_session.statusCallback.store(nullptr);
  }
  LogCall("BiCloseMonPrinter(%d) = %d", h, result);
  return result;
}

__declspec(dllexport) int WINAPI BiGetMicrText(int h, std::int32_t transaction, MicrBlock* block) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  std::vector<std::uint8_t> text;
  int result = !ValidHandle(h) ? kErrHandle
               : !BlockMatches(block, sizeof(MicrBlock), qx::checker::kMicrBlockVersion)
                   ? kErrParam
                   : g_session.link.Call('T', &transaction, 4, &text);
  if (result == kSuccess) {
    std::size_t n = text.size() < sizeof block->text - 1 ? text.size() : sizeof block->text - 1;
    std::memcpy(block->text, text.data(), n);
    block->text[n] = '\0';
  }
  LogCall("BiGetMicrText(%d, %d) = %d \"%s\"", h, transaction, result, result == kSuccess ? block->text : "");
  return result;
}

__declspec(dllexport) int WINAPI BiSCNSelectScanFace(int h, int face) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  int result = !ValidHandle(h) ? kErrHandle : (face != 0 && face != 1) ? kErrParam : Refusal("BiSCNSelectScanFace");
  if (result == kSuccess) g_session.face = face;
  LogCall("BiSCNSelectScanFace(%d, %d) = %d", h, face, result);
  return result;
}

__declspec(dllexport) int WINAPI BiSCNSetImageQuality(int h, int bits, int a, int b, int c) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  // The scanner's sensors give 8-bit grey; nothing else is offered.
  int result = !ValidHandle(h) ? kErrHandle : bits != 8 ? kErrParam : kSuccess;
  LogCall("BiSCNSetImageQuality(%d, %d, %d, %d, %d) = %d", h, bits, a, b, c, result);
  return result;
}

__declspec(dllexport) int WINAPI BiSCNSetImageFormat(int h, int format) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  // Format 3: a packed device-independent bitmap in global memory.
  int result = !ValidHandle(h) ? kErrHandle : format != 3 ? kErrParam : Refusal("BiSCNSetImageFormat");
  LogCall("BiSCNSetImageFormat(%d, %d) = %d", h, format, result);
  return result;
}

__declspec(dllexport) int WINAPI BiGetScanImage(int h, std::int32_t transaction, ImageBlock* block) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  std::vector<std::uint8_t> dib;
  void* image = nullptr;
  int result = kSuccess;
  if (!ValidHandle(h)) {
    result = kErrHandle;
  } else if (!BlockMatches(block, sizeof(ImageBlock), qx::checker::kImageBlockVersion)) {
    result = kErrParam;
  } else {
    std::uint8_t request[5];
    std::memcpy(request, &transaction, 4);
    request[4] = static_cast<std::uint8_t>(g_session.face);
    result = g_session.link.Call('I', request, 5, &dib);
    if (result == kSuccess) {
      image = GlobalAlloc(GMEM_FIXED, dib.size());
      if (image == nullptr) {
        result = -50;  // ERR_NO_MEMORY
      } else {
        std::memcpy(image, dib.data(), dib.size());
        block->image = image;
      }
    }
  }
  LogCall("BiGetScanImage(%d, %d) = %d face %d image %p size %u", h, transaction, result, g_session.face, image,
          static_cast<unsigned>(dib.size()));
  return result;
}

__declspec(dllexport) int WINAPI BiSetBehaviorToScnResult(int h, int pocket, int franking, int mode) {
  std::lock_guard<std::mutex> lock(g_session.mutex);
  std::uint8_t behaviour[2] = {static_cast<std::uint8_t>(pocket), static_cast<std::uint8_t>(franking)};
  int result = ValidHandle(h) ? g_session.link.Call('B', behaviour, 2, nullptr) : kErrHandle;
  LogCall("BiSetBehaviorToScnResult(%d, %d, %d, %d) = %d", h, pocket, franking, mode, result);
  return result;
}

}  // extern "C"
