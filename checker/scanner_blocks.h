#pragma once

#include <cstddef>
#include <cstdint>

// The parameter blocks the checker exchanges with the scanner API library, byte for byte. Every
// block starts with its size and version; the library owns every other byte, the checker touches
// only the named fields. Pointers are 4 bytes: the library and the checker are 32-bit programs.
namespace qx::checker {

#pragma pack(push, 1)

struct ScanBlock {
  std::uint32_t size;
  std::uint32_t version;
  std::int32_t result;           // +8: the library's result of the last scan, read by the MICR callback
  std::uint8_t reserved12[4];
  std::uint32_t scanSetting;     // +16: 5 before the first scan
  std::uint8_t reserved20[10];
  std::uint8_t faceSettings[6];  // +30..+35: set before each scan
  std::uint8_t reserved36[259];
};

struct ImageBlock {
  std::uint32_t size;
  std::uint32_t version;
  std::uint8_t reserved8[27];
  // +35: the face's packed bitmap (header, colour table, rows) in global memory; the pointer is
  // also its global handle. The library allocates it, the checker frees it.
  void* image;
};

struct MicrBlock {
  std::uint32_t size;
  std::uint32_t version;
  std::uint8_t reserved8[4];
  std::uint8_t font;         // +12: 0 E13B, 1 CMC7
  std::uint8_t textRequest;  // +13: 1 before each MICR text read
  std::uint8_t reserved14[6];
  char text[81];             // +20: the MICR line, 8-bit characters, zero-terminated
  std::uint8_t reserved101[1628];
};

struct AuxBlock {
  std::uint32_t size;
  std::uint32_t version;
  std::uint8_t reserved8[8];
  const wchar_t* text;  // +16: the empty text at open
  std::uint8_t reserved20[41];
};

struct HandlingBlock {
  std::uint32_t size;
  std::uint32_t version;
  std::uint8_t libraryDecides;  // +8: 0 = the MICR callback tells the library what follows the result
  std::uint8_t reserved9;
  std::uint32_t interval;       // +10: 1500 for the first scan, 300 for the second
  std::uint8_t franking0;       // +14: the flag the MICR callback reads
  std::uint8_t reserved15;
  std::uint8_t pocket0;         // +16
  std::uint8_t franking1;       // +17
  std::uint8_t reserved18[2];
  std::uint8_t pocket1;         // +20
  std::uint8_t franking2;       // +21
  std::uint8_t reserved22[2];
  std::uint8_t pocket2;         // +24
  std::uint8_t franking3;       // +25
  std::uint8_t reserved26[3];
  std::uint8_t pocket3;         // +29
  std::uint8_t franking4;       // +30: the franking choice the pages read
  std::uint8_t reserved31[2];
  std::uint8_t pocket4;         // +33
  std::uint8_t franking5;       // +34
  std::uint8_t reserved35;
  std::uint8_t ejectMode;       // +36: 3
  std::uint8_t reserved37;
};

#pragma pack(pop)

inline constexpr std::uint32_t kScanBlockVersion = 0x0101;
inline constexpr std::uint32_t kImageBlockVersion = 0x0100;
inline constexpr std::uint32_t kMicrBlockVersion = 0x0100;
inline constexpr std::uint32_t kAuxBlockVersion = 0x0101;
inline constexpr std::uint32_t kHandlingBlockVersion = 0x0100;

inline constexpr std::size_t kMicrTextSize = 81;

// Byte offsets of the six franking flags and the five pocket codes of a HandlingBlock.
inline constexpr std::size_t kFrankingFlagOffsets[6] = {14, 17, 21, 25, 30, 34};
inline constexpr std::size_t kPocketCodeOffsets[5] = {16, 20, 24, 29, 33};

inline void SetFrankingFlags(HandlingBlock* block, std::uint8_t value) {
  for (std::size_t offset : kFrankingFlagOffsets) reinterpret_cast<std::uint8_t*>(block)[offset] = value;
}

inline void SetPocketCodes(HandlingBlock* block, std::uint8_t code) {
  for (std::size_t offset : kPocketCodeOffsets) reinterpret_cast<std::uint8_t*>(block)[offset] = code;
}

static_assert(sizeof(void*) == 4, "the library's blocks hold 4-byte pointers: build for 32-bit x86");

static_assert(sizeof(ScanBlock) == 295);
static_assert(offsetof(ScanBlock, result) == 8);
static_assert(offsetof(ScanBlock, scanSetting) == 16);
static_assert(offsetof(ScanBlock, faceSettings) == 30);

static_assert(sizeof(ImageBlock) == 39);
static_assert(offsetof(ImageBlock, image) == 35);

static_assert(sizeof(MicrBlock) == 1729);
static_assert(offsetof(MicrBlock, font) == 12);
static_assert(offsetof(MicrBlock, textRequest) == 13);
static_assert(offsetof(MicrBlock, text) == 20);
static_assert(offsetof(MicrBlock, reserved101) == 101);

static_assert(sizeof(AuxBlock) == 61);
static_assert(offsetof(AuxBlock, text) == 16);

static_assert(sizeof(HandlingBlock) == 38);
static_assert(offsetof(HandlingBlock, libraryDecides) == 8);
static_assert(offsetof(HandlingBlock, interval) == 10);
static_assert(offsetof(HandlingBlock, franking0) == 14);
static_assert(offsetof(HandlingBlock, pocket0) == 16);
static_assert(offsetof(HandlingBlock, franking1) == 17);
static_assert(offsetof(HandlingBlock, pocket1) == 20);
static_assert(offsetof(HandlingBlock, franking2) == 21);
static_assert(offsetof(HandlingBlock, pocket2) == 24);
static_assert(offsetof(HandlingBlock, franking3) == 25);
static_assert(offsetof(HandlingBlock, pocket3) == 29);
static_assert(offsetof(HandlingBlock, franking4) == 30);
static_assert(offsetof(HandlingBlock, pocket4) == 33);
static_assert(offsetof(HandlingBlock, franking5) == 34);
static_assert(offsetof(HandlingBlock, ejectMode) == 36);

// FunctionCode: the third argument of BiSCNMICRFunctionPostPrint.
enum FunctionCode : int {
  kStartScan = 0,
  kWriteScanBlock = 16,
  kWriteMicrBlock = 17,
  kFetchFrontImageBlock = 18,
  kFetchBackImageBlock = 19,
  kWriteAuxBlock = 20,
  kWriteHandlingBlock = 21,
  kPrepare = 37,
  kReadScanBlock = 48,
  kReadMicrBlock = 49,
  kReadImageBlock = 50,
  kReadAuxBlock = 52,
  kReadHandlingBlock = 53,
};

// Status word bits the checker interprets.
inline constexpr std::uint32_t kStatusOffline1 = 0x00000001;
inline constexpr std::uint32_t kStatusOffline = 0x00000008;
inline constexpr std::uint32_t kStatusCoverOpen = 0x00000020;
inline constexpr std::uint32_t kStatusError = 0x00000400;
inline constexpr std::uint32_t kStatusMechanical1 = 0x00010000;
inline constexpr std::uint32_t kStatusMainPocketRoom = 0x00020000;  // set: not near full
inline constexpr std::uint32_t kStatusMechanical2 = 0x00040000;
inline constexpr std::uint32_t kStatusSubPocketRoom = 0x00080000;   // set: not near full
inline constexpr std::uint32_t kStatusMechanical3 = 0x00200000;
inline constexpr std::uint32_t kStatusNoDocument = 0x00400000;
inline constexpr std::uint32_t kStatusNoFranker = 0x02000000;
inline constexpr std::uint32_t kStatusMechanical4 = 0x40000000;
// All four together with kStatusError mean a mechanical error rather than a paper jam.
inline constexpr std::uint32_t kStatusMechanicalError =
    kStatusMechanical1 | kStatusMechanical2 | kStatusMechanical3 | kStatusMechanical4;

// Result codes the checker acts on.
inline constexpr int kErrOpened = -20;
inline constexpr int kErrNoPrinter = -30;
inline constexpr int kErrParam = -90;
inline constexpr int kErrNotSupport = -100;
inline constexpr int kErrAbort = -430;
inline constexpr int kErrMicrNoData = -1040;
inline constexpr int kErrMicrBadData = -1050;

// MICR callback event codes.
inline constexpr int kEventStarted = 200;
inline constexpr int kEventDataReady = 203;
inline constexpr int kEventEnded = 205;
inline constexpr int kEventCancelRequest = 299;

}  // namespace qx::checker
