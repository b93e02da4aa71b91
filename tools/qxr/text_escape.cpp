#include "tools/qxr/text_escape.h"

namespace qx::qxr {

std::string Latin1ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

std::string HtmlText(const std::string& bytes, std::size_t maxBytes) {
  std::string out;
  const std::size_t n = bytes.size() < maxBytes ? bytes.size() : maxBytes;
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    switch (b) {
      case '&': out += "&amp;"; continue;
      case '<': out += "&lt;"; continue;
      case '>': out += "&gt;"; continue;
      case '"': out += "&quot;"; continue;
      case '\'': out += "&#39;"; continue;
      default: break;
    }
    if ((b < 0x20 && b != '\t') || (b >= 0x7F && b < 0xA0)) {
      out += "&#xFFFD;";
    } else if (b >= 0xA0) {
      out += Latin1ToUtf8(std::string(1, static_cast<char>(b)));
    } else {
      out.push_back(static_cast<char>(b));
    }
  }
  if (n < bytes.size()) out += "&#x2026;";
  return out;
}

}  // namespace qx::qxr
