#pragma once

#include <cstddef>
#include <string>

namespace qx::qxr {

// The texts of a setting file are 8-bit bytes in no declared code page. Reports carry each byte
// as the Unicode character of the same number (ISO 8859-1), so any byte survives and a reader
// gets the original bytes back by encoding the text as ISO 8859-1.
std::string Latin1ToUtf8(const std::string& bytes);

// A text as HTML character data or attribute value, cut to `maxBytes` bytes of the input: markup
// characters become references, bytes 0xA0-0xFF their characters, and control bytes (0x00-0x1F
// but TAB, 0x7F-0x9F), which HTML does not allow, U+FFFD.
std::string HtmlText(const std::string& bytes, std::size_t maxBytes = 1024);

}  // namespace qx::qxr
