#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The scanner as the scanner API library sees it: the documents waiting in the ASF/SF, covers,
// pockets, franker, and the faults the next scans and the cleaning show. Loaded from a device's
// "api" section and changed at run time through the control interface.
namespace qx::sim {

enum class MicrFont { kE13B = 0, kCMC7 = 1 };

// How a face of a cheque is drawn.
enum class FaceRule { kPrinted, kBlank };

struct ApiDocument {
  // The MICR line as the library returns it: digits, blanks and the symbol letters A-E
  // (E13B: A transit, B amount, C on-us, D dash; CMC7: A-E its five symbols).
  std::string micr;
  MicrFont font = MicrFont::kE13B;
  std::string bank = "FIRST COUNTY BANK";
  std::string payee = "ALEX MORGAN";
  std::string amount = "125.40";
  std::string number = "1001";
  FaceRule front = FaceRule::kPrinted;
  FaceRule back = FaceRule::kPrinted;  // printed: the endorsement area
};

enum class ScanFaultKind {
  kPaperJam,      // the paper stops: ERR_PAPER_JAM, error bit until the paper is removed
  kMechanical,    // ERR_SCAN, error bit with the four mechanical bits
  kCoverOpened,   // the cover opens mid-scan: ERR_COVER_OPEN, cover bit
  kMicrNoData,    // data ready with ERR_MICR_NODATA and no text
  kMicrBadData,   // data ready with ERR_MICR_BADDATA and unreadable characters
  kResult,        // the scan ends with `code` and no status bit
  kNeverEnds,     // started, then nothing until cancelled
  kCancelRequest, // the scanner asks the host to cancel (event 299)
};

struct ScanFault {
  ScanFaultKind kind = ScanFaultKind::kPaperJam;
  std::int32_t code = 0;  // kResult only
};

enum class CleaningOutcome { kOk, kFails, kOffline };

struct ApiProfile {
  std::uint32_t handle = 1;  // what the library's open hands out
  bool franker = true;
  bool coverOpen = false;
  bool mainPocketNearFull = false;
  bool subPocketNearFull = false;
  bool offline = false;
  bool heldByOther = false;  // another program has the scanner open through the library
  std::uint32_t statusBits = 0;  // ORed into the status word as they are
  bool cycleDocuments = false;   // a scanned document goes back at the end of the queue
  std::vector<ApiDocument> documents;
  std::vector<ScanFault> scanFaults;  // the next scans' faults, one per scan, in order
  CleaningOutcome cleaning = CleaningOutcome::kOk;
  std::uint32_t scanMs = 150;      // start to data ready
  std::uint32_t ejectMs = 50;      // data ready to end
  std::uint32_t cleaningMs = 300;  // one cleaning
  // Library functions that answer a fixed code instead of working: "name" or "name/code".
  std::vector<std::pair<std::string, std::int32_t>> refused;
};

// "paper-jam", "mechanical", "cover-opened", "micr-nodata", "micr-baddata", "result CODE",
// "never-ends", "cancel-request".
bool ParseScanFault(const std::string& text, ScanFault* fault, std::string* error);
std::string ScanFaultText(const ScanFault& fault);
bool ParseCleaningOutcome(const std::string& text, CleaningOutcome* outcome);
const char* CleaningOutcomeText(CleaningOutcome outcome);
bool ParseMicrFont(const std::string& text, MicrFont* font);

}  // namespace qx::sim
