#include "tests/win32/screen_png.h"

#include "tests/win32/png_file.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace qx::test {

std::vector<std::uint8_t> CaptureScreen(int x, int y, int width, int height) {
  std::vector<std::uint8_t> pixels;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY)) {
      GdiFlush();
      const auto* begin = static_cast<const std::uint8_t*>(bits);
      pixels.assign(begin, begin + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

bool SaveScreenPng(const std::string& path) {
  return SaveScreenRectanglePng(path, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool SaveScreenRectanglePng(const std::string& path, int x, int y, int width, int height) {
  std::vector<std::uint8_t> pixels = CaptureScreen(x, y, width, height);
  return !pixels.empty() && WritePngFromBgra(path, pixels.data(), width, height);
}

}  // namespace qx::test
