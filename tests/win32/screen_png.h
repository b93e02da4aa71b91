#pragma once

#include <string>

namespace qx::test {

// Saves what the screen shows (the whole desktop, as the X server has it) as a PNG file.
bool SaveScreenPng(const std::string& path);

}  // namespace qx::test
