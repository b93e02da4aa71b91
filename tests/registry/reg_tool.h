#pragma once

#include <string>

namespace qx::test {

// The registry as Windows' own reg.exe shows and changes it. A 32-bit test program starts the
// 32-bit reg.exe, so it sees the same view as the 32-bit module.
struct RegShown {
  bool found = false;
  std::string type;  // "REG_DWORD", "REG_SZ", ...
  std::string data;  // as reg prints it: 0x2a, the text, ...
};

RegShown RegQuery(const std::string& key, const std::string& name);
bool RegKeyExists(const std::string& key);
bool RegAdd(const std::string& key, const std::string& name, const std::string& type, const std::string& data);
// Deletes the key with everything below it; a missing key is fine.
void RegDelete(const std::string& key);

// Where the stand-in keeps a device key and a common subkey.
std::string DeviceKeyLocation(const std::string& key);
std::string CommonKeyLocation(const std::string& subKey);

}  // namespace qx::test
