#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qx::test {

// Saves what the screen shows (the whole desktop, as the X server has it) as a PNG file.
bool SaveScreenPng(const std::string& path);
// Saves a rectangle of the screen as a PNG file.
bool SaveScreenRectanglePng(const std::string& path, int x, int y, int width, int height);

// The pixels of a screen rectangle (32-bit BGRX rows), empty when the screen cannot be read.
std::vector<std::uint8_t> CaptureScreen(int x, int y, int width, int height);

}  // namespace qx::test
