#include "utility/shell/setting_file.h"

#include <cstring>

#include "platform/string_table.h"
#include "utility/shell/result_code.h"

namespace qx {

namespace {

// Holds string 19 with room to spare; a longer text is cut, which only drops trailing numbers.
constexpr std::size_t kVersionTextSize = 64;

// Only the first 11 header bytes are read back; the compared run always ends before byte 11.
constexpr std::size_t kHeaderReadSize = 11;

std::size_t LeadingNonZeroRun(const std::uint8_t* bytes, std::size_t size) {
  std::size_t n = 0;
  while (n < size && bytes[n] != 0) ++n;
  return n;
}

}  // namespace

void ParseVersionBytes(const char* text, std::uint8_t (&version)[4]) {
  std::memset(version, 0, sizeof version);
  if (text == nullptr) return;
  std::size_t part = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c >= '0' && *c <= '9') {
      // Arithmetic modulo 256 keeps exactly the low 8 bits however long the number is.
      version[part] = static_cast<std::uint8_t>(version[part] * 10 + (*c - '0'));
    } else if (*c == '.' && part + 1 < sizeof version) {
      ++part;
    } else {
      break;
    }
  }
}

SettingFileHeader BuildSettingFileHeader(const char* versionText) {
  SettingFileHeader header{};
  std::memcpy(header.magic, kSettingFileMagic, sizeof header.magic);
  ParseVersionBytes(versionText, header.version);
  std::uint32_t length = static_cast<std::uint32_t>(kSettingFileSize);
  for (std::size_t i = 0; i < sizeof header.length; ++i) {
    header.length[i] = static_cast<std::uint8_t>(length >> (8 * i));
  }
  header.zero = 0;
  return header;
}

SettingFileHeader BuildSettingFileHeader() {
  char versionText[kVersionTextSize];
  platform::LoadUtilityString(kVersionStringId, versionText, sizeof versionText);
  return BuildSettingFileHeader(versionText);
}

int WriteSettingFile(std::FILE* file, const SettingRecord& record) {
  if (file == nullptr) return kResultFileWrite;
  SettingFileHeader header = BuildSettingFileHeader();
  if (std::fwrite(&header, 1, sizeof header, file) != sizeof header) return kResultFileWrite;
  if (std::fwrite(record.bytes, sizeof record.bytes, 1, file) != 1) return kResultFileWrite;
  // The seek flushes the stream's buffer, so a write the system refuses late is still caught here.
  if (std::fseek(file, 0, SEEK_SET) != 0) return kResultFileWrite;
  return kResultSuccess;
}

int ReadSettingFile(std::FILE* file, SettingRecord& record) {
  if (file == nullptr) return kResultFileMissing;

  SettingFileHeader expected = BuildSettingFileHeader();
  std::uint8_t expectedBytes[sizeof expected];
  std::memcpy(expectedBytes, &expected, sizeof expected);
  std::size_t compared = LeadingNonZeroRun(expectedBytes, kHeaderReadSize);

  std::uint8_t actual[kHeaderReadSize] = {};
  if (std::fseek(file, 0, SEEK_SET) != 0) return kResultFileFormat;
  std::size_t got = std::fread(actual, 1, sizeof actual, file);
  if (got < compared || std::memcmp(actual, expectedBytes, compared) != 0) return kResultFileFormat;

  if (std::fseek(file, static_cast<long>(kSettingFileHeaderSize), SEEK_SET) != 0) return kResultFileFormat;
  if (std::fread(record.bytes, sizeof record.bytes, 1, file) != 1) return kResultFileFormat;
  std::rewind(file);
  return kResultSuccess;
}

}  // namespace qx
