#include "sim/profile.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

namespace qx::sim {
namespace {

using nlohmann::json;

// Thrown only inside this file and turned into the parse's error text.
struct ProfileError {
  std::string message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw ProfileError{where + ": " + what};
}

std::uint32_t Number(const json& value, const std::string& where, std::uint32_t max) {
  std::uint64_t v = 0;
  if (value.is_number_unsigned()) {
    v = value.get<std::uint64_t>();
  } else if (value.is_number_integer()) {
    if (value.get<std::int64_t>() < 0) Fail(where, "negative number");
    v = static_cast<std::uint64_t>(value.get<std::int64_t>());
  } else if (value.is_string()) {
    const std::string& s = value.get_ref<const std::string&>();
    std::size_t used = 0;
    try {
      v = std::stoull(s, &used, 0);
    } catch (...) {
      Fail(where, "not a number: '" + s + "'");
    }
    if (used != s.size()) Fail(where, "not a number: '" + s + "'");
  } else {
    Fail(where, "expected a number or a \"0x..\" text");
  }
  if (v > max) Fail(where, "value above " + std::to_string(max));
  return static_cast<std::uint32_t>(v);
}

template <typename T>
void ReadNumber(const json& object, const char* key, const std::string& where, T* out) {
  auto it = object.find(key);
  if (it == object.end()) return;
  *out = static_cast<T>(Number(*it, where + "." + key, static_cast<std::uint32_t>(std::numeric_limits<T>::max())));
}

void ReadText(const json& object, const char* key, const std::string& where, std::string* out,
              std::size_t maxLength) {
  auto it = object.find(key);
  if (it == object.end()) return;
  if (!it->is_string()) Fail(where + "." + key, "expected a text");
  const std::string& s = it->get_ref<const std::string&>();
  if (s.size() > maxLength) Fail(where + "." + key, "longer than " + std::to_string(maxLength));
  if (s.find('\0') != std::string::npos) Fail(where + "." + key, "contains NUL");
  *out = s;
}

void ReadBool(const json& object, const char* key, const std::string& where, bool* out) {
  auto it = object.find(key);
  if (it == object.end()) return;
  if (!it->is_boolean()) Fail(where + "." + key, "expected true or false");
  *out = it->get<bool>();
}

template <std::size_t N>
void ReadBytes(const json& object, const char* key, const std::string& where,
               std::array<std::uint8_t, N>* out) {
  auto it = object.find(key);
  if (it == object.end()) return;
  if (!it->is_array() || it->size() != N) Fail(where + "." + key, "expected " + std::to_string(N) + " bytes");
  for (std::size_t i = 0; i < N; ++i) {
    (*out)[i] = static_cast<std::uint8_t>(Number((*it)[i], where + "." + key, 0xFF));
  }
}

// A run of bytes: an array of numbers or a text of hexadecimal digit pairs (blanks allowed).
std::vector<std::uint8_t> ByteRun(const json& value, const std::string& where) {
  std::vector<std::uint8_t> bytes;
  if (value.is_array()) {
    for (const json& v : value) bytes.push_back(static_cast<std::uint8_t>(Number(v, where, 0xFF)));
    return bytes;
  }
  if (!value.is_string()) Fail(where, "expected bytes");
  int high = -1;
  for (char c : value.get_ref<const std::string&>()) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c == ' ' || c == '\n') continue;
    else Fail(where, "not a hexadecimal text");
    if (high < 0) {
      high = d;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + d));
      high = -1;
    }
  }
  if (high >= 0) Fail(where, "odd number of hexadecimal digits");
  return bytes;
}

void ReadCalibration(const json& c, const std::string& where, ScannerProfile* s) {
  struct Range {
    const char* key;
    std::size_t start, count;
  };
  static constexpr Range kRanges[] = {
      {"faceBrightness", 0x0000, 816}, {"faceDarkness", 0x0330, 816}, {"faceValues", 0x0660, 8},
      {"backBrightness", 0x0668, 816}, {"backDarkness", 0x0998, 816}, {"backValues", 0x0CC8, 8},
      {"otherValues", 0x0CD0, 4},
  };
  s->calibration.assign(kCalibrationMemorySize, 0xFF);
  for (const Range& r : kRanges) {
    auto it = c.find(r.key);
    if (it == c.end()) continue;
    std::vector<std::uint8_t> run = ByteRun(*it, where + "." + r.key);
    if (run.size() != r.count) {
      Fail(where + "." + r.key, "expected " + std::to_string(r.count) + " bytes, got " +
                                    std::to_string(run.size()));
    }
    std::copy(run.begin(), run.end(), s->calibration.begin() + static_cast<std::ptrdiff_t>(r.start));
  }
  ReadNumber(c, "valuesPerBlock", where, &s->calibrationBlock);
  if (s->calibrationBlock == 0 || s->calibrationBlock > 251) {
    Fail(where + ".valuesPerBlock", "must be 1..251 (a block counts at most 255 pairs)");
  }
}

void ReadScanner(const json& d, const std::string& where, ScannerProfile* s) {
  if (auto it = d.find("identity"); it != d.end()) {
    std::string w = where + ".identity";
    ReadText(*it, "firmware", w, &s->firmware, 200);
    ReadText(*it, "company", w, &s->company, 200);
    ReadText(*it, "device", w, &s->deviceName, 200);
    ReadText(*it, "serial", w, &s->serial, 200);
    ReadText(*it, "original", w, &s->original, 200);
    ReadNumber(*it, "modelId", w, &s->modelId);
  }
  if (auto it = d.find("options"); it != d.end()) {
    std::string w = where + ".options";
    std::uint32_t speed = 30;
    bool waterfall = false;
    std::uint32_t pockets = 2;
    ReadNumber(*it, "speed", w, &speed);
    ReadBool(*it, "waterfall", w, &waterfall);
    ReadNumber(*it, "pockets", w, &pockets);
    ReadBool(*it, "multiFeed", w, &s->multiFeed);
    ReadBool(*it, "bootMode", w, &s->bootMode);
    bool calibrated = s->calibrationFlag == '1';
    ReadBool(*it, "calibrated", w, &calibrated);
    s->calibrationFlag = calibrated ? '1' : '0';
    std::uint8_t speedBits;
    switch (speed) {
      case 30: speedBits = 0x00; break;
      case 60: speedBits = 0x02; break;
      case 90: speedBits = 0x06; break;
      default: Fail(w + ".speed", "must be 30, 60 or 90");
    }
    if (pockets != 1 && pockets != 2) Fail(w + ".pockets", "must be 1 or 2");
    // Bit 6 keeps the byte printable, as the scanner's option bytes are.
    s->optionByte = static_cast<std::uint8_t>(0x40 | speedBits | (waterfall ? 0x10 : 0) |
                                              (pockets == 1 ? 0x20 : 0));
  }
  ReadBytes(d, "automaticStatus", where, &s->automaticStatus);
  if (auto it = d.find("adConverter"); it != d.end()) {
    static constexpr const char* kKeys[] = {"voltage", "paperLength", "middle", "franking", "eject", "doubleFeed"};
    for (std::size_t i = 0; i < 6; ++i) ReadNumber(*it, kKeys[i], where + ".adConverter", &s->adConverter[i]);
  }
  if (auto it = d.find("positionOut"); it != d.end()) {
    if (!it->is_array() || it->size() != 3) Fail(where + ".positionOut", "expected three true/false");
    for (std::size_t i = 0; i < 3; ++i) {
      if (!(*it)[i].is_boolean()) Fail(where + ".positionOut", "expected three true/false");
      s->positionOut[i] = (*it)[i].get<bool>();
    }
  }
  if (auto it = d.find("thresholds"); it != d.end()) {
    static constexpr const char* kKeys[] = {"asf", "paperLength", "middle", "franking", "eject",
                                            "doubleFeedAbsent", "doubleFeedPresent", "cisDifference", "spi"};
    for (std::size_t i = 0; i < 9; ++i) {
      auto v = it->find(kKeys[i]);
      if (v == it->end() || v->is_null()) {
        s->thresholds[i].answered = false;
        continue;
      }
      bool fourDigits = i == 5 || i == 6 || i == 8;
      s->thresholds[i].answered = true;
      s->thresholds[i].value = static_cast<std::uint16_t>(
          Number(*v, where + ".thresholds." + kKeys[i], fourDigits ? 0xFFFF : 0xFF));
    }
  }
  if (auto it = d.find("counters"); it != d.end()) {
    if (!it->is_object()) Fail(where + ".counters", "expected an object keyed by counter number");
    for (auto& [key, value] : it->items()) {
      std::uint32_t n = Number(json(key), where + ".counters", 0xFF);
      if (!value.is_string() || value.get_ref<const std::string&>().size() > 200) {
        Fail(where + ".counters." + key, "expected a text of at most 200 characters");
      }
      s->counters[n] = value.get<std::string>();
      s->counterAnswered[n] = true;
    }
  }
  if (auto it = d.find("nv"); it != d.end()) {
    if (!it->is_array() || it->size() != 9) Fail(where + ".nv", "expected nine texts");
    for (std::size_t i = 0; i < 9; ++i) {
      if (!(*it)[i].is_string() || (*it)[i].get_ref<const std::string&>().size() > 200) {
        Fail(where + ".nv", "expected nine texts of at most 200 characters");
      }
      s->nv[i] = (*it)[i].get<std::string>();
    }
  }
  if (auto it = d.find("errorHistory"); it != d.end()) {
    std::string w = where + ".errorHistory";
    s->errorHistory.clear();
    if (auto e = it->find("entries"); e != it->end()) {
      if (!e->is_array()) Fail(w + ".entries", "expected a list");
      for (const json& entry : *e) {
        std::string code, text;
        ReadText(entry, "code", w, &code, 4);
        ReadText(entry, "text", w, &text, 100);
        if (code.size() != 4) Fail(w + ".code", "must have four characters");
        s->errorHistory += code + ":" + text + ",";
      }
    }
    ReadText(*it, "raw", w, &s->errorHistory, 4000);
    ReadNumber(*it, "charactersPerBlock", w, &s->errorHistoryBlock);
    if (s->errorHistoryBlock == 0 || s->errorHistoryBlock > 250) {
      Fail(w + ".charactersPerBlock", "must be 1..250");
    }
  }
  if (auto it = d.find("calibration"); it != d.end()) ReadCalibration(*it, where + ".calibration", s);
  if (s->calibration.empty()) s->calibration.assign(kCalibrationMemorySize, 0xFF);
  if (auto it = d.find("specialMode"); it != d.end()) {
    std::string w = where + ".specialMode";
    ReadBool(*it, "active", w, &s->specialMode.active);
    ReadBool(*it, "switchOn", w, &s->specialMode.switchOn);
    ReadBool(*it, "counterAnswered", w, &s->specialMode.counterAnswered);
  }
  if (auto it = d.find("errorCause"); it != d.end()) {
    std::string w = where + ".errorCause";
    ReadBytes(*it, "status", w, &s->errorCause.status);
    ReadBytes(*it, "detail", w, &s->errorCause.detail);
    ReadBool(*it, "detailAnswered", w, &s->errorCause.detailAnswered);
  }
}

ApiDocument ReadDocument(const json& d, const std::string& where) {
  if (!d.is_object()) Fail(where, "expected an object");
  ApiDocument document;
  ReadText(d, "micr", where, &document.micr, 80);
  if (document.micr.empty()) Fail(where + ".micr", "a cheque needs its MICR line");
  std::string text;
  ReadText(d, "font", where, &text, 8);
  if (!text.empty() && !ParseMicrFont(text, &document.font)) Fail(where + ".font", "must be \"E13B\" or \"CMC7\"");
  ReadText(d, "bank", where, &document.bank, 60);
  ReadText(d, "payee", where, &document.payee, 60);
  ReadText(d, "amount", where, &document.amount, 20);
  ReadText(d, "number", where, &document.number, 20);
  for (const char* face : {"front", "back"}) {
    text.clear();
    ReadText(d, face, where, &text, 10);
    if (text.empty()) continue;
    if (text != "printed" && text != "blank") Fail(where + "." + face, "must be \"printed\" or \"blank\"");
    (face[0] == 'f' ? document.front : document.back) = text == "blank" ? FaceRule::kBlank : FaceRule::kPrinted;
  }
  return document;
}

void ReadApi(const json& a, const std::string& where, ApiProfile* api) {
  if (!a.is_object()) Fail(where, "expected an object");
  ReadNumber(a, "handle", where, &api->handle);
  ReadBool(a, "franker", where, &api->franker);
  ReadBool(a, "coverOpen", where, &api->coverOpen);
  ReadBool(a, "mainPocketNearFull", where, &api->mainPocketNearFull);
  ReadBool(a, "subPocketNearFull", where, &api->subPocketNearFull);
  ReadBool(a, "offline", where, &api->offline);
  ReadBool(a, "heldByOther", where, &api->heldByOther);
  ReadNumber(a, "statusBits", where, &api->statusBits);
  ReadBool(a, "cycleDocuments", where, &api->cycleDocuments);
  ReadNumber(a, "scanMs", where, &api->scanMs);
  ReadNumber(a, "ejectMs", where, &api->ejectMs);
  ReadNumber(a, "cleaningMs", where, &api->cleaningMs);
  if (auto it = a.find("documents"); it != a.end()) {
    if (!it->is_array()) Fail(where + ".documents", "expected a list of cheques");
    api->documents.clear();
    for (std::size_t i = 0; i < it->size(); ++i) {
      api->documents.push_back(ReadDocument((*it)[i], where + ".documents[" + std::to_string(i) + "]"));
    }
  }
  if (auto it = a.find("scanFaults"); it != a.end()) {
    if (!it->is_array()) Fail(where + ".scanFaults", "expected a list of scan fault texts");
    api->scanFaults.clear();
    for (const json& f : *it) {
      ScanFault fault;
      std::string error;
      if (!f.is_string() || !ParseScanFault(f.get<std::string>(), &fault, &error)) {
        Fail(where + ".scanFaults", f.is_string() ? error : "expected a scan fault text");
      }
      api->scanFaults.push_back(fault);
    }
  }
  std::string cleaning;
  ReadText(a, "cleaning", where, &cleaning, 10);
  if (!cleaning.empty() && !ParseCleaningOutcome(cleaning, &api->cleaning)) {
    Fail(where + ".cleaning", "must be \"ok\", \"fails\" or \"offline\"");
  }
}

void ReadDevice(const json& d, const std::string& where, DeviceProfile* device) {
  if (!d.is_object()) Fail(where, "expected an object");
  if (auto it = d.find("presence"); it != d.end()) {
    std::string p = it->is_string() ? it->get<std::string>() : "";
    if (p == "present") device->presence = Presence::kPresent;
    else if (p == "busy") device->presence = Presence::kBusy;
    else if (p == "absent") device->presence = Presence::kAbsent;
    else Fail(where + ".presence", "must be \"present\", \"busy\" or \"absent\"");
  }
  if (auto it = d.find("kind"); it != d.end()) {
    std::string k = it->is_string() ? it->get<std::string>() : "";
    if (k == "scanner") device->kind = DeviceKind::kScanner;
    else if (k == "echo") device->kind = DeviceKind::kEcho;
    else if (k == "sink") device->kind = DeviceKind::kSink;
    else Fail(where + ".kind", "must be \"scanner\", \"echo\" or \"sink\"");
  }
  ReadBool(d, "displayFunction", where, &device->displayFunction);
  if (auto it = d.find("usb"); it != d.end()) {
    std::string w = where + ".usb";
    UsbProfile& u = device->usb;
    ReadNumber(*it, "vendorId", w, &u.vendorId);
    ReadNumber(*it, "productId", w, &u.productId);
    ReadNumber(*it, "bcdDevice", w, &u.bcdDevice);
    ReadNumber(*it, "configAttributes", w, &u.configAttributes);
    ReadNumber(*it, "maxPower", w, &u.maxPower);
    ReadNumber(*it, "deviceStatus", w, &u.deviceStatus);
    ReadNumber(*it, "languageId", w, &u.languageId);
    ReadText(*it, "manufacturer", w, &u.manufacturer, 126);
    ReadText(*it, "product", w, &u.product, 126);
    ReadText(*it, "serial", w, &u.serial, 126);
  }
  if (auto it = d.find("xb"); it != d.end()) {
    std::string w = where + ".xb";
    ReadNumber(*it, "configuration", w, &device->xb.configuration);
    ReadNumber(*it, "status", w, &device->xb.status);
    ReadText(*it, "text", w, &device->xb.text, 126);
  }
  ReadScanner(d, where, &device->scanner);
  if (auto it = d.find("api"); it != d.end()) ReadApi(*it, where + ".api", &device->api);
  ReadText(d, "path", where, &device->path, 200);
  if (device->path.empty()) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "\\\\?\\usb#vid_%04x&pid_%04x#%s#{5dd901c0-bcf4-11d1-9738-008029e6a5b3}",
                  device->usb.vendorId, device->usb.productId,
                  device->usb.serial.empty() ? "0" : device->usb.serial.c_str());
    device->path = buf;
  }
  if (auto it = d.find("faults"); it != d.end()) {
    if (!it->is_array()) Fail(where + ".faults", "expected a list of fault texts");
    for (const json& f : *it) {
      FaultSpec fault;
      std::string error;
      if (!f.is_string() || !ParseFault(f.get<std::string>(), &fault, &error)) {
        Fail(where + ".faults", f.is_string() ? error : "expected a fault text");
      }
      device->faults.push_back(fault);
    }
  }
}

json LoadJson(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail(path, "cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  json j = json::parse(text.str(), nullptr, false);
  if (j.is_discarded() || !j.is_object()) Fail(path, "not a JSON object");
  return j;
}

// Resolves "base" chains (at most a few deep) into one JSON object.
json Resolve(json j, const std::string& directory, int depth) {
  auto it = j.find("base");
  if (it == j.end()) return j;
  if (depth > 4) Fail("base", "nested too deep");
  if (!it->is_string()) Fail("base", "expected a file name");
  std::string basePath = it->get<std::string>();
  if (basePath.find('/') == std::string::npos && !directory.empty()) basePath = directory + "/" + basePath;
  json base = Resolve(LoadJson(basePath), directory, depth + 1);
  j.erase("base");
  base.merge_patch(j);
  return base;
}

void Parse(json j, const std::string& directory, Profile* profile) {
  j = Resolve(std::move(j), directory, 0);
  Profile parsed;
  ReadText(j, "name", "profile", &parsed.name, 200);
  if (auto it = j.find("driver"); it != j.end()) {
    DriverProfile& d = parsed.driver;
    ReadNumber(*it, "version", "driver", &d.version);
    ReadNumber(*it, "version2", "driver", &d.version2);
    ReadNumber(*it, "hostController", "driver", &d.hostController);
    ReadNumber(*it, "timeoutMode", "driver", &d.timeoutMode);
    ReadNumber(*it, "suspend", "driver", &d.suspend);
  }
  json templ = j.value("device", json::object());
  json devices = j.value("devices", json::array({json::object()}));
  if (!devices.is_array()) Fail("devices", "expected a list");
  if (devices.size() > 16) Fail("devices", "at most 16 devices");
  for (std::size_t i = 0; i < devices.size(); ++i) {
    json d = templ;
    d.merge_patch(devices[i]);
    DeviceProfile device;
    ReadDevice(d, "devices[" + std::to_string(i) + "]", &device);
    parsed.devices.push_back(std::move(device));
  }
  *profile = std::move(parsed);
}

}  // namespace

bool ParseProfile(const std::string& text, const std::string& directory, Profile* profile,
                  std::string* error) {
  json j = json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    *error = "not a JSON object";
    return false;
  }
  try {
    Parse(std::move(j), directory, profile);
  } catch (const ProfileError& e) {
    *error = e.message;
    return false;
  } catch (const nlohmann::json::exception& e) {
    *error = e.what();
    return false;
  }
  return true;
}

bool LoadProfileFile(const std::string& path, Profile* profile, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot be read";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  std::size_t slash = path.find_last_of('/');
  std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
  return ParseProfile(text.str(), directory, profile, error);
}

}  // namespace qx::sim
