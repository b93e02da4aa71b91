#pragma once

#include <string>

namespace qx::test {

// Writes top-down 32-bit BGRA rows as an RGB PNG file (stored, uncompressed deflate blocks).
bool WritePngFromBgra(const std::string& path, const unsigned char* bgra, int width, int height);

}  // namespace qx::test
