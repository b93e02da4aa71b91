#include "sim/fault.h"

#include <cstdio>
#include <sstream>

namespace qx::sim {
namespace {

struct KindName {
  FaultKind kind;
  const char* name;
  bool needsCount;
};

constexpr KindName kKinds[] = {
    {FaultKind::kNoReply, "no-reply", false},     {FaultKind::kCutReply, "cut", true},
    {FaultKind::kXonXoff, "xon-xoff", false},     {FaultKind::kBytePerRead, "byte-per-read", false},
    {FaultKind::kWrongHeader, "wrong-header", false}, {FaultKind::kLongHeader, "long-header", false},
    {FaultKind::kDropLink, "drop", true},         {FaultKind::kDelay, "delay", true},
    {FaultKind::kWriteTimeout, "write-timeout", true},  {FaultKind::kUnplug, "unplug", true},
};

bool ParseUnsigned(const std::string& word, std::uint32_t* value) {
  if (word.empty() || word.size() > 10) return false;
  unsigned long long v = 0;
  std::size_t i = 0;
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    base = 16;
    i = 2;
  }
  for (; i < word.size(); ++i) {
    char c = word[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    v = v * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (v > 0xFFFFFFFFull) return false;
  }
  *value = static_cast<std::uint32_t>(v);
  return true;
}

bool ParseHexBytes(const std::string& word, std::vector<std::uint8_t>* bytes) {
  if (word.empty() || word.size() % 2 != 0 || word.size() > 64) return false;
  bytes->clear();
  for (std::size_t i = 0; i < word.size(); i += 2) {
    std::uint32_t v;
    if (!ParseUnsigned("0x" + word.substr(i, 2), &v)) return false;
    bytes->push_back(static_cast<std::uint8_t>(v));
  }
  return true;
}

}  // namespace

bool ParseFault(const std::string& text, FaultSpec* fault, std::string* error) {
  std::string ignored;
  if (error == nullptr) error = &ignored;
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  if (words.empty()) {
    *error = "empty fault";
    return false;
  }
  const KindName* kind = nullptr;
  for (const KindName& k : kKinds) {
    if (words[0] == k.name) kind = &k;
  }
  if (kind == nullptr) {
    *error = "unknown fault '" + words[0] + "'";
    return false;
  }
  FaultSpec parsed;
  parsed.kind = kind->kind;
  if (parsed.kind == FaultKind::kLongHeader) parsed.count = 600;
  std::size_t i = 1;
  if (i < words.size() && words[i] != "on") {
    std::uint32_t v;
    if (!ParseUnsigned(words[i], &v)) {
      *error = "bad number '" + words[i] + "'";
      return false;
    }
    if (parsed.kind == FaultKind::kWrongHeader) {
      if (v > 0xFF) {
        *error = "header byte above 0xFF";
        return false;
      }
      parsed.value = static_cast<std::uint8_t>(v);
    } else {
      parsed.count = v;
    }
    ++i;
  } else if (kind->needsCount) {
    *error = std::string("fault '") + kind->name + "' needs a number";
    return false;
  }
  if (parsed.kind == FaultKind::kUnplug) {
    // The request count, when given, picks a later request with the same code.
    if (i < words.size()) {
      if (i + 1 != words.size() || !ParseUnsigned(words[i], &parsed.nth) || parsed.nth == 0) {
        *error = "expected 'unplug CODE [NTH]' with NTH from 1";
        return false;
      }
    }
    *fault = parsed;
    return true;
  }
  if (i < words.size()) {
    if (words[i] != "on" || i + 2 != words.size() || !ParseHexBytes(words[i + 1], &parsed.command)) {
      *error = "expected 'on HEXBYTES' after the fault";
      return false;
    }
  }
  *fault = parsed;
  return true;
}

std::string FaultText(const FaultSpec& fault) {
  std::string text;
  for (const KindName& k : kKinds) {
    if (k.kind == fault.kind) text = k.name;
  }
  if (fault.kind == FaultKind::kWrongHeader) {
    char buf[8];
    std::snprintf(buf, sizeof buf, " 0x%02X", fault.value);
    text += buf;
  } else if (fault.kind == FaultKind::kUnplug) {
    char buf[16];
    std::snprintf(buf, sizeof buf, " 0x%06X", fault.count);
    text += buf;
    if (fault.nth != 1) text += " " + std::to_string(fault.nth);
    return text;
  } else if (fault.kind != FaultKind::kNoReply && fault.kind != FaultKind::kXonXoff &&
             fault.kind != FaultKind::kBytePerRead) {
    text += " " + std::to_string(fault.count);
  }
  if (!fault.command.empty()) {
    text += " on ";
    char buf[4];
    for (std::uint8_t b : fault.command) {
      std::snprintf(buf, sizeof buf, "%02X", b);
      text += buf;
    }
  }
  return text;
}

}  // namespace qx::sim
