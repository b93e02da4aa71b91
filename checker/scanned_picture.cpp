#include "checker/scanned_picture.h"

#include <cstdint>

namespace qx::checker {

namespace {

// Bytes of the colour table: 2^bit-count entries of 4 bytes for palette pictures; none above 8
// bits (three masks for the bit-field layouts).
std::uint64_t ColourTableBytes(const BITMAPINFOHEADER& header) {
  if (header.biBitCount <= 8) return (std::uint64_t{1} << header.biBitCount) * sizeof(RGBQUAD);
  return header.biCompression == BI_BITFIELDS ? 3 * sizeof(DWORD) : 0;
}

std::uint64_t RowBytes(const BITMAPINFOHEADER& header) {
  std::uint64_t width = static_cast<std::uint64_t>(header.biWidth);
  return ((width * header.biBitCount + 31) / 32) * 4;
}

}  // namespace

void DrawPackedDib(void* packedDib, HWND frame) {
  if (packedDib == nullptr || frame == nullptr) return;
  // The library's pointer is also the memory's global handle: its size bounds every read.
  std::uint64_t available = GlobalSize(static_cast<HGLOBAL>(packedDib));
  const auto* header = static_cast<const BITMAPINFOHEADER*>(packedDib);
  if (available < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER)) return;
  if (header->biWidth <= 0 || header->biHeight == 0 || header->biBitCount == 0 || header->biPlanes != 1) return;
  if (header->biCompression != BI_RGB && header->biCompression != BI_BITFIELDS) return;
  std::uint64_t height = static_cast<std::uint64_t>(header->biHeight < 0 ? -static_cast<std::int64_t>(header->biHeight) : header->biHeight);
  std::uint64_t bitsOffset = header->biSize + ColourTableBytes(*header);
  if (bitsOffset + RowBytes(*header) * height > available) return;

  const auto* info = static_cast<const BITMAPINFO*>(packedDib);
  const void* bits = static_cast<const std::uint8_t*>(packedDib) + bitsOffset;
  HDC frameDc = GetDC(frame);
  HBITMAP picture = CreateDIBitmap(frameDc, header, CBM_INIT, bits, info, DIB_RGB_COLORS);
  if (picture != nullptr) {
    HDC memory = CreateCompatibleDC(frameDc);
    HGDIOBJ previous = SelectObject(memory, picture);
    RECT area;
    GetClientRect(frame, &area);
    SetStretchBltMode(frameDc, COLORONCOLOR);
    StretchBlt(frameDc, 0, 0, area.right, area.bottom, memory, 0, 0, header->biWidth,
               static_cast<int>(height), SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(picture);
  }
  ReleaseDC(frame, frameDc);
}

}  // namespace qx::checker
