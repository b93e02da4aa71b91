#pragma once

#include <string>

#include "sim/ethernet_unit.h"

namespace qx::sim {

// Reads an Ethernet unit's profile from JSON. Every field of EthernetUnitProfile may be given by
// its name ("address" and "broadcast" as dotted text, "mac" as "00:80:92:1A:2B:3C", "hardware"
// and "software" as [major, minor]); missing fields keep their defaults. False with a message
// naming the field when the text is not a valid profile, including any address outside
// 127.0.0.0/8.
bool ParseEthernetProfile(const std::string& json, EthernetUnitProfile* profile, std::string* error);
bool LoadEthernetProfileFile(const std::string& path, EthernetUnitProfile* profile, std::string* error);

}  // namespace qx::sim
