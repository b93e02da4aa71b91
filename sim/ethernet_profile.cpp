#include "sim/ethernet_profile.h"

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/ipv4_endpoint.h"

namespace qx::sim {

namespace {

using nlohmann::json;

bool Address(const json& j, const char* key, std::uint8_t out[4], std::string* error) {
  if (!j.contains(key)) return true;
  if (!j[key].is_string() || !platform::ParseIpv4Text(j[key].get<std::string>().c_str(), out) ||
      !platform::IsLoopbackIpv4(out)) {
    *error = std::string("\"") + key + "\" must be a loopback address (127.x.y.z)";
    return false;
  }
  return true;
}

template <typename T>
bool Number(const json& j, const char* key, T* out, long long low, long long high, std::string* error) {
  if (!j.contains(key)) return true;
  if (!j[key].is_number_integer() || j[key].get<long long>() < low || j[key].get<long long>() > high) {
    *error = std::string("\"") + key + "\" must be a whole number from " + std::to_string(low) + " to " + std::to_string(high);
    return false;
  }
  *out = static_cast<T>(j[key].get<long long>());
  return true;
}

bool Flag(const json& j, const char* key, bool* out, std::string* error) {
  if (!j.contains(key)) return true;
  if (!j[key].is_boolean()) {
    *error = std::string("\"") + key + "\" must be true or false";
    return false;
  }
  *out = j[key].get<bool>();
  return true;
}

bool Text(const json& j, const char* key, std::string* out, std::size_t most, std::string* error) {
  if (!j.contains(key)) return true;
  if (!j[key].is_string() || j[key].get<std::string>().size() > most) {
    *error = std::string("\"") + key + "\" must be a text of at most " + std::to_string(most) + " characters";
    return false;
  }
  *out = j[key].get<std::string>();
  return true;
}

bool Version(const json& j, const char* key, std::uint8_t out[2], std::string* error) {
  if (!j.contains(key)) return true;
  const json& v = j[key];
  if (!v.is_array() || v.size() != 2 || !v[0].is_number_integer() || !v[1].is_number_integer() ||
      v[0].get<int>() < 0 || v[0].get<int>() > 255 || v[1].get<int>() < 0 || v[1].get<int>() > 255) {
    *error = std::string("\"") + key + "\" must be [major, minor], each 0..255";
    return false;
  }
  out[0] = static_cast<std::uint8_t>(v[0].get<int>());
  out[1] = static_cast<std::uint8_t>(v[1].get<int>());
  return true;
}

bool Mac(const json& j, std::uint8_t out[6], std::string* error) {
  if (!j.contains("mac")) return true;
  unsigned b[6];
  char tail = 0;
  if (!j["mac"].is_string() ||
      std::sscanf(j["mac"].get<std::string>().c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4],
                  &b[5], &tail) != 6) {
    *error = "\"mac\" must be six hex bytes separated by ':'";
    return false;
  }
  for (int i = 0; i < 6; ++i) out[i] = static_cast<std::uint8_t>(b[i]);
  return true;
}

}  // namespace

bool ParseEthernetProfile(const std::string& text, EthernetUnitProfile* profile, std::string* error) {
  json j = json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    *error = "not a JSON object";
    return false;
  }
  EthernetUnitProfile p = *profile;
  return Address(j, "address", p.address, error) && Address(j, "broadcast", p.broadcast, error) &&
         Number(j, "udpPort", &p.udpPort, 0, 65535, error) && Number(j, "tcpPort", &p.tcpPort, 0, 65535, error) &&
         Flag(j, "board", &p.board, error) && Text(j, "name", &p.name, 35, error) &&
         Version(j, "hardware", p.hardware, error) && Version(j, "software", p.software, error) && Mac(j, p.mac, error) &&
         Number(j, "identityResult", &p.identityResult, -1, 0xFFFF, error) &&
         Number(j, "readyByte", &p.readyByte, 0, 255, error) && Number(j, "readyLength", &p.readyLength, 0, 512, error) &&
         Number(j, "deviceCheckByte", &p.deviceCheckByte, 0, 255, error) &&
         Number(j, "flowByte", &p.flowByte, -1, 255, error) &&
         Number(j, "interfaceStatusByte", &p.interfaceStatusByte, 0, 255, error) &&
         Number(j, "deviceStatusByte", &p.deviceStatusByte, 0, 255, error) &&
         Text(j, "statusPrefix", &p.statusPrefix, 4, error) && Number(j, "statusResult", &p.statusResult, 0, 0xFFFF, error) &&
         Flag(j, "answerSearch", &p.answerSearch, error) && Flag(j, "silent", &p.silent, error) &&
         Flag(j, "splitReplies", &p.splitReplies, error) && Flag(j, "wrongSlot", &p.wrongSlot, error) &&
         Flag(j, "classFour", &p.classFour, error) && Number(j, "oversizeLength", &p.oversizeLength, 0, 0xFFFF, error) &&
         Flag(j, "echo", &p.echo, error) && (*profile = p, true);
}

bool LoadEthernetProfileFile(const std::string& path, EthernetUnitProfile* profile, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot read " + path;
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  if (!ParseEthernetProfile(text.str(), profile, error)) {
    *error = path + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace qx::sim
