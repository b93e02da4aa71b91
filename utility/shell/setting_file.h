#pragma once

#include <cstdint>
#include <cstdio>

#include "utility/shell/setting_record.h"

namespace qx {

// Reads a version text such as "1.03.1.0" as up to four dot-separated decimal numbers into four
// bytes, keeping the low 8 bits of each; a missing number is 0 and the first other character
// ends the text.
void ParseVersionBytes(const char* text, std::uint8_t (&version)[4]);

// The header for a version text, and the header of this utility (version from string 19).
SettingFileHeader BuildSettingFileHeader(const char* versionText);
SettingFileHeader BuildSettingFileHeader();

// Writes the header and the record at the file's current position (the start of a freshly opened
// file) and seeks back to the start: 1, or 501 when there is no file or any part was not written.
int WriteSettingFile(std::FILE* file, const SettingRecord& record);

// Reads a setting file into `record`: 1; 503 when there is no file; 502 when the header does not
// match this utility's or the record is short. The header comparison covers the expected header's
// leading run of non-zero bytes ("QXR" and the version up to its first zero number), so the length
// field is not compared. Bytes after the record are ignored. Leaves the file at its start.
int ReadSettingFile(std::FILE* file, SettingRecord& record);

}  // namespace qx
