#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/api_profile.h"
#include "sim/request_log.h"

// The scanner behind the scanner API library: one open session at a time, scans that run through
// their events on a clock the caller passes in (ms), the status word computed from the state, the
// MICR text and pictures of the last scan, and the cleaning.
namespace qx::sim {

// What the library hears from the scanner: an event of the MICR callback, or a new status word.
struct ApiEvent {
  enum Kind : std::uint8_t { kMicr = 1, kStatus = 2 } kind = kMicr;
  std::uint16_t event = 0;
  std::uint16_t status = 0;  // a result code's low 16 bits, 0 for none
  std::uint32_t transaction = 0;
  std::uint32_t word = 0;    // kStatus
};

// Scanner API result codes the scanner gives.
inline constexpr std::int32_t kApiOffline = -110;
inline constexpr std::int32_t kApiExecFunction = -310;
inline constexpr std::int32_t kApiPaperInsertTimeout = -300;
inline constexpr std::int32_t kApiMicr = -440;
inline constexpr std::int32_t kApiAbort = -430;
inline constexpr std::int32_t kApiScan = -450;
inline constexpr std::int32_t kApiPaperJam = -1020;
inline constexpr std::int32_t kApiCoverOpen = -1030;
inline constexpr std::int32_t kApiMicrNoData = -1040;
inline constexpr std::int32_t kApiMicrBadData = -1050;

class ApiScanner {
 public:
  ApiScanner(const ApiProfile& profile, int pockets, int device);

  // Opens the session: 0 with *handle set, or -20 (held elsewhere) / -30 (no scanner).
  std::int32_t Open(std::uint32_t* handle, RequestLog* log);
  void Close(RequestLog* log);
  bool open() const { return open_; }

  std::uint32_t StatusWord() const;
  int pockets() const { return pockets_; }
  bool franker() const { return profile_.franker; }

  // Starts a scan with the MICR font the host chose: 0, or the library's error code.
  std::int32_t StartScan(std::uint32_t now, MicrFont font, std::uint8_t pocketCode, bool franking, RequestLog* log);
  // What follows the data: pocket code and franking, as the host decided after reading it.
  void SetBehaviour(std::uint8_t pocketCode, bool franking, RequestLog* log);
  void Cancel(std::uint32_t now, int reason, RequestLog* log);
  void CancelError(RequestLog* log);

  // The next event due at `now`, if any; `*nextDue` gets the time of the next one still pending.
  bool NextEvent(std::uint32_t now, ApiEvent* event, std::uint32_t* nextDue);

  bool MicrText(std::uint32_t transaction, std::string* text) const;
  bool Image(std::uint32_t transaction, int face, std::vector<std::uint8_t>* dib) const;

  // The cleaning: its duration first, then its result once that time has passed.
  std::uint32_t CleaningDuration() const { return profile_.cleaningMs; }
  std::int32_t Clean(RequestLog* log);

  // A fixed answer for a library function, or 0 when it works.
  std::int32_t Refused(const std::string& function) const;

  // One control command ("cover open", "feed ...", ...): true with an answer text, false with
  // an error text.
  bool Apply(const std::string& command, std::string* answer, RequestLog* log);
  std::string Describe() const;

 private:
  struct Pending {
    std::uint32_t due;
    ApiEvent event;
    bool hasEffect = false;  // the fault changes the scanner's state when this event is due
    ScanFaultKind effect = ScanFaultKind::kPaperJam;
  };
  void Log(RequestLog* log, const std::string& text) const;
  void EndScan();

  ApiProfile profile_;
  int pockets_;
  int device_;
  bool open_ = false;
  bool jammed_ = false;
  bool mechanical_ = false;
  std::uint32_t scans_ = 0;           // the last scan's transaction value
  bool scanning_ = false;
  bool dataDelivered_ = false;
  std::deque<Pending> pending_;
  std::uint32_t reportedStatus_ = 0;
  // The last scan's document and how its MICR line read.
  bool haveDocument_ = false;
  ApiDocument document_;
  std::string micrRead_;
  bool franked_ = false;
  std::uint8_t pocketCode_ = 34;
  std::uint32_t mainPocket_ = 0, subPocket_ = 0;
};

}  // namespace qx::sim
