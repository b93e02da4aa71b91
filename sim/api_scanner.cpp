#include "sim/api_scanner.h"

#include <cstdio>
#include <sstream>

#include "sim/cheque_drawing.h"

namespace qx::sim {
namespace {

constexpr std::uint16_t kEventStarted = 200;
constexpr std::uint16_t kEventDataReady = 203;
constexpr std::uint16_t kEventEnded = 205;
constexpr std::uint16_t kEventCancelRequest = 299;
constexpr std::int32_t kApiOpened = -20;
constexpr std::uint8_t kSubPocketCode = 36;

std::uint16_t Low16(std::int32_t code) { return static_cast<std::uint16_t>(code & 0xFFFF); }

ApiEvent Micr(std::uint16_t event, std::int32_t code, std::uint32_t transaction) {
  ApiEvent e;
  e.kind = ApiEvent::kMicr;
  e.event = event;
  e.status = Low16(code);
  e.transaction = transaction;
  return e;
}

bool OnOff(const std::string& value, const char* on, const char* off, bool* out) {
  if (value == on) *out = true;
  else if (value == off) *out = false;
  else return false;
  return true;
}

// A MICR line as a reader that could not make out every character gives it.
std::string Smudged(const std::string& micr) {
  std::string text = micr;
  for (std::size_t i = 1; i < text.size(); i += 3) {
    if (text[i] != ' ') text[i] = '?';
  }
  return text;
}

}  // namespace

ApiScanner::ApiScanner(const ApiProfile& profile, int pockets, int device)
    : profile_(profile), pockets_(pockets), device_(device) {}

void ApiScanner::Log(RequestLog* log, const std::string& text) const {
  if (log != nullptr) log->Add("api " + std::to_string(device_) + " " + text);
}

std::int32_t ApiScanner::Open(std::uint32_t* handle, RequestLog* log) {
  if (open_ || profile_.heldByOther) {
    Log(log, "open -> held");
    return kApiOpened;
  }
  open_ = true;
  *handle = profile_.handle;
  reportedStatus_ = StatusWord();
  Log(log, "open -> handle " + std::to_string(profile_.handle));
  return 0;
}

void ApiScanner::Close(RequestLog* log) {
  if (!open_) return;
  open_ = false;
  if (scanning_) EndScan();
  pending_.clear();
  Log(log, "close");
}

std::uint32_t ApiScanner::StatusWord() const {
  std::uint32_t word = profile_.statusBits;
  if (profile_.offline) word |= 0x00000008;
  if (profile_.coverOpen) word |= 0x00000020;
  if (jammed_) word |= 0x00000400;
  if (mechanical_) word |= 0x00000400 | 0x00010000 | 0x00040000 | 0x00200000 | 0x40000000;
  if (!profile_.mainPocketNearFull) word |= 0x00020000;
  if (pockets_ == 2 && !profile_.subPocketNearFull) word |= 0x00080000;
  if (profile_.documents.empty()) word |= 0x00400000;
  if (!profile_.franker) word |= 0x02000000;
  return word;
}

std::int32_t ApiScanner::StartScan(std::uint32_t now, MicrFont font, std::uint8_t pocketCode, bool franking,
                                   RequestLog* log) {
  if (scanning_) return kApiExecFunction;
  if (profile_.offline) return kApiOffline;
  if (profile_.coverOpen) return kApiCoverOpen;
  scanning_ = true;
  dataDelivered_ = false;
  haveDocument_ = false;
  pocketCode_ = pocketCode;
  franked_ = franking && profile_.franker;
  std::uint32_t tx = ++scans_;
  pending_.clear();
  pending_.push_back({now, Micr(kEventStarted, 0, tx)});
  std::uint32_t ready = now + profile_.scanMs;
  std::uint32_t end = ready + profile_.ejectMs;

  if (profile_.documents.empty()) {
    Log(log, "scan " + std::to_string(tx) + " no document");
    pending_.push_back({ready, Micr(kEventEnded, kApiPaperInsertTimeout, tx)});
    return 0;
  }
  document_ = profile_.documents.front();
  profile_.documents.erase(profile_.documents.begin());
  if (profile_.cycleDocuments) profile_.documents.push_back(document_);
  haveDocument_ = true;

  ScanFault fault;
  bool faulty = !profile_.scanFaults.empty();
  if (faulty) {
    fault = profile_.scanFaults.front();
    profile_.scanFaults.erase(profile_.scanFaults.begin());
  }
  // A line printed in the other font gives the reader nothing it knows.
  std::int32_t micrCode = font == document_.font ? 0 : kApiMicrNoData;
  micrRead_ = micrCode == 0 ? document_.micr : std::string();
  Log(log, "scan " + std::to_string(tx) + " font " + (font == MicrFont::kCMC7 ? "CMC7" : "E13B") + " pocket " +
               std::to_string(pocketCode) + (franked_ ? " franking" : "") +
               (faulty ? " fault " + ScanFaultText(fault) : ""));

  if (!faulty) {
    pending_.push_back({ready, Micr(kEventDataReady, micrCode, tx)});
    pending_.push_back({end, Micr(kEventEnded, 0, tx)});
    return 0;
  }
  switch (fault.kind) {
    case ScanFaultKind::kPaperJam:
    case ScanFaultKind::kMechanical:
    case ScanFaultKind::kCoverOpened: {
      ApiEvent ended = Micr(kEventEnded,
                            fault.kind == ScanFaultKind::kPaperJam    ? kApiPaperJam
                            : fault.kind == ScanFaultKind::kMechanical ? kApiScan
                                                                       : kApiCoverOpen,
                            tx);
      // The state changes as the fault happens, and the status word tells it before the end.
      pending_.push_back({ready, ended, true, fault.kind});
      break;
    }
    case ScanFaultKind::kMicrNoData:
      micrRead_.clear();
      pending_.push_back({ready, Micr(kEventDataReady, kApiMicrNoData, tx)});
      pending_.push_back({end, Micr(kEventEnded, 0, tx)});
      break;
    case ScanFaultKind::kMicrBadData:
      micrRead_ = Smudged(document_.micr);
      pending_.push_back({ready, Micr(kEventDataReady, kApiMicrBadData, tx)});
      pending_.push_back({end, Micr(kEventEnded, 0, tx)});
      break;
    case ScanFaultKind::kResult:
      pending_.push_back({ready, Micr(kEventDataReady, micrCode, tx)});
      pending_.push_back({end, Micr(kEventEnded, fault.code, tx)});
      break;
    case ScanFaultKind::kNeverEnds:
      break;
    case ScanFaultKind::kCancelRequest:
      pending_.push_back({ready, Micr(kEventCancelRequest, 0, tx)});
      break;
  }
  return 0;
}

void ApiScanner::SetBehaviour(std::uint8_t pocketCode, bool franking, RequestLog* log) {
  pocketCode_ = pocketCode;
  franked_ = franking && profile_.franker;
  Log(log, "behaviour pocket " + std::to_string(pocketCode) + (franked_ ? " franking" : ""));
}

void ApiScanner::Cancel(std::uint32_t now, int reason, RequestLog* log) {
  Log(log, "cancel " + std::to_string(reason) + (scanning_ ? "" : " (idle)"));
  if (!scanning_) return;
  std::uint32_t tx = scans_;
  pending_.clear();
  // A document the scanner had not read yet stays in the feeder.
  if (haveDocument_ && !dataDelivered_) {
    if (profile_.cycleDocuments && !profile_.documents.empty()) profile_.documents.pop_back();
    profile_.documents.insert(profile_.documents.begin(), document_);
    haveDocument_ = false;
  }
  pending_.push_back({now, Micr(kEventEnded, kApiAbort, tx)});
}

void ApiScanner::CancelError(RequestLog* log) { Log(log, "cancel-error"); }

void ApiScanner::EndScan() {
  scanning_ = false;
  if (!haveDocument_ || !dataDelivered_) return;
  if (pockets_ == 2 && pocketCode_ == kSubPocketCode) ++subPocket_;
  else ++mainPocket_;
}

bool ApiScanner::NextEvent(std::uint32_t now, ApiEvent* event, std::uint32_t* nextDue) {
  // A status change (also one made at the control interface) goes out before the next event.
  std::uint32_t word = StatusWord();
  if (word != reportedStatus_) {
    reportedStatus_ = word;
    event->kind = ApiEvent::kStatus;
    event->word = word;
    return true;
  }
  while (!pending_.empty()) {
    Pending& next = pending_.front();
    if (static_cast<std::int32_t>(now - next.due) < 0) {
      *nextDue = next.due;
      return false;
    }
    if (next.hasEffect) {
      next.hasEffect = false;
      if (next.effect == ScanFaultKind::kPaperJam) jammed_ = true;
      if (next.effect == ScanFaultKind::kMechanical) mechanical_ = true;
      if (next.effect == ScanFaultKind::kCoverOpened) profile_.coverOpen = true;
      return NextEvent(now, event, nextDue);
    }
    ApiEvent e = next.event;
    pending_.pop_front();
    if (e.event == kEventDataReady) dataDelivered_ = true;
    if (e.event == kEventEnded) EndScan();
    *event = e;
    return true;
  }
  return false;
}

bool ApiScanner::MicrText(std::uint32_t transaction, std::string* text) const {
  if (transaction != scans_ || !dataDelivered_) return false;
  *text = micrRead_;
  return true;
}

bool ApiScanner::Image(std::uint32_t transaction, int face, std::vector<std::uint8_t>* dib) const {
  if (transaction != scans_ || !dataDelivered_ || !haveDocument_ || (face != 0 && face != 1)) return false;
  DrawChequeFace(document_, face, franked_ && face == 1, dib);
  return true;
}

std::int32_t ApiScanner::Clean(RequestLog* log) {
  if (profile_.offline) {
    Log(log, "cleaning offline");
    return kApiOffline;
  }
  if (profile_.documents.empty()) {
    Log(log, "cleaning without a card");
    return kApiPaperInsertTimeout;
  }
  ApiDocument card = profile_.documents.front();
  profile_.documents.erase(profile_.documents.begin());
  if (profile_.cycleDocuments) profile_.documents.push_back(card);
  Log(log, std::string("cleaning ") + CleaningOutcomeText(profile_.cleaning));
  switch (profile_.cleaning) {
    case CleaningOutcome::kOk:
      return 0;
    case CleaningOutcome::kFails:
      return kApiMicr;
    case CleaningOutcome::kOffline:
      profile_.offline = true;
      return 0;
  }
  return 0;
}

std::int32_t ApiScanner::Refused(const std::string& function) const {
  for (const auto& [name, code] : profile_.refused) {
    if (name == function) return code;
  }
  return 0;
}

bool ApiScanner::Apply(const std::string& command, std::string* answer, RequestLog* log) {
  std::istringstream in(command);
  std::string verb, value;
  in >> verb;
  std::getline(in >> std::ws, value);
  bool ok = true;
  if (verb == "cover") ok = OnOff(value, "open", "closed", &profile_.coverOpen);
  else if (verb == "main-pocket") ok = OnOff(value, "near-full", "ok", &profile_.mainPocketNearFull);
  else if (verb == "sub-pocket") ok = OnOff(value, "near-full", "ok", &profile_.subPocketNearFull);
  else if (verb == "franker") ok = OnOff(value, "on", "off", &profile_.franker);
  else if (verb == "offline") ok = OnOff(value, "on", "off", &profile_.offline);
  else if (verb == "held") ok = OnOff(value, "on", "off", &profile_.heldByOther);
  else if (verb == "cycle") ok = OnOff(value, "on", "off", &profile_.cycleDocuments);
  else if (verb == "handle" || verb == "status-bits") {
    std::uint32_t* target = verb == "handle" ? &profile_.handle : &profile_.statusBits;
    try {
      std::size_t used = 0;
      unsigned long v = std::stoul(value, &used, 0);
      ok = used == value.size() && v <= 0xFFFFFFFFul;
      if (ok) *target = static_cast<std::uint32_t>(v);
    } catch (...) {
      ok = false;
    }
  } else if (verb == "remove-paper") {
    jammed_ = false;
    mechanical_ = false;
  } else if (verb == "documents" && value == "clear") {
    profile_.documents.clear();
  } else if (verb == "feed") {
    // feed [font=E13B|CMC7] [front=blank] [back=blank] [payee=NAME_WITH_UNDERSCORES] micr=LINE...
    ApiDocument document;
    std::istringstream words(value);
    std::string word;
    bool micrSeen = false;
    while (ok && words >> word) {
      std::size_t eq = word.find('=');
      std::string key = word.substr(0, eq == std::string::npos ? word.size() : eq);
      std::string v = eq == std::string::npos ? "" : word.substr(eq + 1);
      if (key == "micr") {
        std::string rest;
        std::getline(words, rest);
        document.micr = v + rest;
        micrSeen = true;
        break;
      }
      if (key == "font") ok = ParseMicrFont(v, &document.font);
      else if (key == "front") document.front = v == "blank" ? FaceRule::kBlank : FaceRule::kPrinted;
      else if (key == "back") document.back = v == "blank" ? FaceRule::kBlank : FaceRule::kPrinted;
      else if (key == "payee" || key == "amount" || key == "number" || key == "bank") {
        for (char& c : v) c = c == '_' ? ' ' : c;
        (key == "payee" ? document.payee : key == "amount" ? document.amount : key == "number" ? document.number : document.bank) = v;
      } else {
        ok = false;
      }
    }
    ok = ok && micrSeen && document.micr.size() <= 80;
    if (ok) profile_.documents.push_back(document);
  } else if (verb == "fault") {
    ScanFault fault;
    std::string error;
    if (value == "clear") {
      profile_.scanFaults.clear();
    } else if (ParseScanFault(value, &fault, &error)) {
      profile_.scanFaults.push_back(fault);
    } else {
      *answer = error;
      return false;
    }
  } else if (verb == "cleaning") {
    ok = ParseCleaningOutcome(value, &profile_.cleaning);
  } else if (verb == "timing") {
    std::istringstream words(value);
    std::string key;
    std::uint32_t ms = 0;
    while (ok && words >> key >> ms) {
      if (key == "scan") profile_.scanMs = ms;
      else if (key == "eject") profile_.ejectMs = ms;
      else if (key == "cleaning") profile_.cleaningMs = ms;
      else ok = false;
    }
  } else if (verb == "refuse") {
    std::istringstream words(value);
    std::string name;
    std::int32_t code = 0;
    if (value == "clear") {
      profile_.refused.clear();
    } else if (words >> name >> code && code != 0) {
      profile_.refused.emplace_back(name, code);
    } else {
      ok = false;
    }
  } else if (verb == "state") {
    *answer = Describe();
    return true;
  } else {
    *answer = "unknown api setting '" + verb + "'";
    return false;
  }
  if (!ok) {
    *answer = "bad value for '" + verb + "': '" + value + "'";
    return false;
  }
  Log(log, "set " + command);
  *answer = Describe();
  return true;
}

std::string ApiScanner::Describe() const {
  std::ostringstream out;
  char word[16];
  std::snprintf(word, sizeof word, "0x%08X", StatusWord());
  out << "status " << word << (open_ ? " open" : " closed") << (scanning_ ? " scanning" : "") << "\n";
  out << "documents " << profile_.documents.size() << (profile_.cycleDocuments ? " cycling" : "") << "\n";
  out << "faults " << profile_.scanFaults.size() << ", cleaning " << CleaningOutcomeText(profile_.cleaning) << "\n";
  out << "scans " << scans_ << ", main pocket " << mainPocket_ << ", sub pocket " << subPocket_ << "\n";
  return out.str();
}

bool ParseScanFault(const std::string& text, ScanFault* fault, std::string* error) {
  std::istringstream in(text);
  std::string name;
  in >> name;
  static const struct {
    const char* name;
    ScanFaultKind kind;
  } kNames[] = {{"paper-jam", ScanFaultKind::kPaperJam},       {"mechanical", ScanFaultKind::kMechanical},
                {"cover-opened", ScanFaultKind::kCoverOpened}, {"micr-nodata", ScanFaultKind::kMicrNoData},
                {"micr-baddata", ScanFaultKind::kMicrBadData}, {"result", ScanFaultKind::kResult},
                {"never-ends", ScanFaultKind::kNeverEnds},     {"cancel-request", ScanFaultKind::kCancelRequest}};
  for (const auto& n : kNames) {
    if (name != n.name) continue;
    fault->kind = n.kind;
    fault->code = 0;
    if (n.kind == ScanFaultKind::kResult && !(in >> fault->code)) {
      *error = "result needs a code";
      return false;
    }
    std::string extra;
    if (in >> extra) {
      *error = "unexpected '" + extra + "' after the scan fault";
      return false;
    }
    return true;
  }
  *error = "unknown scan fault '" + text + "'";
  return false;
}

std::string ScanFaultText(const ScanFault& fault) {
  switch (fault.kind) {
    case ScanFaultKind::kPaperJam: return "paper-jam";
    case ScanFaultKind::kMechanical: return "mechanical";
    case ScanFaultKind::kCoverOpened: return "cover-opened";
    case ScanFaultKind::kMicrNoData: return "micr-nodata";
    case ScanFaultKind::kMicrBadData: return "micr-baddata";
    case ScanFaultKind::kResult: return "result " + std::to_string(fault.code);
    case ScanFaultKind::kNeverEnds: return "never-ends";
    case ScanFaultKind::kCancelRequest: return "cancel-request";
  }
  return "?";
}

bool ParseCleaningOutcome(const std::string& text, CleaningOutcome* outcome) {
  if (text == "ok") *outcome = CleaningOutcome::kOk;
  else if (text == "fails") *outcome = CleaningOutcome::kFails;
  else if (text == "offline") *outcome = CleaningOutcome::kOffline;
  else return false;
  return true;
}

const char* CleaningOutcomeText(CleaningOutcome outcome) {
  switch (outcome) {
    case CleaningOutcome::kOk: return "ok";
    case CleaningOutcome::kFails: return "fails";
    case CleaningOutcome::kOffline: return "offline";
  }
  return "?";
}

bool ParseMicrFont(const std::string& text, MicrFont* font) {
  if (text == "E13B" || text == "e13b") *font = MicrFont::kE13B;
  else if (text == "CMC7" || text == "cmc7") *font = MicrFont::kCMC7;
  else return false;
  return true;
}

}  // namespace qx::sim
