#include "utility/shell/setting_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tests/shell/scratch_folder.h"
#include "utility/shell/result_code.h"

namespace qx {
namespace {

// The file's first 12 bytes as this version writes them: "QXR", 1.3.1.0, length 20633, zero.
const std::vector<std::uint8_t> kExpectedHeader = {'Q', 'X', 'R', 1, 3, 1, 0, 0x99, 0x50, 0x00, 0x00, 0x00};

void FillPattern(SettingRecord& record, std::uint8_t seed) {
  for (std::size_t i = 0; i < sizeof record.bytes; ++i) record.bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
}

TEST(SettingFileHeader, VersionTextGivesFourLowBytes) {
  struct Case {
    const char* text;
    std::vector<std::uint8_t> expected;
  } cases[] = {
      {"1.03.1.0", {1, 3, 1, 0}}, {"300.2", {44, 2, 0, 0}}, {"1.2.3.4.5", {1, 2, 3, 4}},
      {"", {0, 0, 0, 0}},         {"7.x.9", {7, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    std::uint8_t version[4];
    ParseVersionBytes(c.text, version);
    EXPECT_EQ(std::vector<std::uint8_t>(version, version + 4), c.expected) << c.text;
  }

  // A number far beyond any integer type still yields its low 8 bits: 10^20 - 1 is 255 mod 256.
  std::uint8_t version[4];
  ParseVersionBytes("99999999999999999999.1", version);
  EXPECT_EQ(version[0], 255);
  EXPECT_EQ(version[1], 1);
}

TEST(SettingFileHeader, ThisVersionWritesQxr1310AndTheLength) {
  SettingFileHeader header = BuildSettingFileHeader();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&header);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + sizeof header), kExpectedHeader);
}

class SettingFile : public testing::ScratchFolder {
 protected:
  // Writes a patterned setting file through WriteSettingFile and returns its bytes.
  std::vector<std::uint8_t> WriteValidFile(const char* name, SettingRecord& record) {
    FillPattern(record, 5);
    std::FILE* file = std::fopen(name, "wb");
    EXPECT_NE(file, nullptr);
    EXPECT_EQ(WriteSettingFile(file, record), kResultSuccess);
    EXPECT_EQ(std::ftell(file), 0L);
    std::fclose(file);
    return ReadBytes(name);
  }

  static int ReadFile(const char* name, SettingRecord& record) {
    std::FILE* file = std::fopen(name, "rb");
    EXPECT_NE(file, nullptr);
    int result = ReadSettingFile(file, record);
    if (result == kResultSuccess) {
      EXPECT_EQ(std::ftell(file), 0L);
    }
    std::fclose(file);
    return result;
  }
};

TEST_F(SettingFile, WrittenFileIsHeaderThenRecordAndReadsBack) {
  SettingRecord written;
  std::vector<std::uint8_t> bytes = WriteValidFile("a.qxr", written);
  ASSERT_EQ(bytes.size(), 20633u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 12), kExpectedHeader);
  EXPECT_EQ(std::memcmp(bytes.data() + 12, written.bytes, sizeof written.bytes), 0);

  SettingRecord read{};
  EXPECT_EQ(ReadFile("a.qxr", read), kResultSuccess);
  EXPECT_EQ(std::memcmp(read.bytes, written.bytes, sizeof read.bytes), 0);
}

TEST_F(SettingFile, OnlyMagicAndLeadingVersionNumbersAreCompared) {
  SettingRecord written;
  std::vector<std::uint8_t> valid = WriteValidFile("valid.qxr", written);

  struct Change {
    std::size_t offset;
    std::uint8_t value;
    int expected;
  } changes[] = {
      {7, 0x00, kResultSuccess},     // length field
      {10, 0x7F, kResultSuccess},    // length field, high byte
      {6, 0x09, kResultSuccess},     // fourth version number: behind the first zero, not compared
      {11, 0x55, kResultSuccess},    // the zero byte is never read
      {3, 0x02, kResultFileFormat},  // first version number
      {4, 0x04, kResultFileFormat},
      {5, 0x00, kResultFileFormat},
      {0, 'q', kResultFileFormat},   // magic, case matters
      {2, 'S', kResultFileFormat},
  };
  for (const Change& change : changes) {
    std::vector<std::uint8_t> bytes = valid;
    bytes[change.offset] = change.value;
    WriteBytes("changed.qxr", bytes);
    SettingRecord read{};
    EXPECT_EQ(ReadFile("changed.qxr", read), change.expected) << "offset " << change.offset;
    if (change.expected == kResultSuccess) {
      EXPECT_EQ(std::memcmp(read.bytes, written.bytes, sizeof read.bytes), 0);
    }
  }
}

TEST_F(SettingFile, ShortFilesAreRefusedAndTrailingBytesIgnored) {
  SettingRecord written;
  std::vector<std::uint8_t> valid = WriteValidFile("valid.qxr", written);

  for (std::size_t size : {std::size_t{20632}, std::size_t{12}, std::size_t{11}, std::size_t{5}, std::size_t{0}}) {
    WriteBytes("short.qxr", std::vector<std::uint8_t>(valid.begin(), valid.begin() + static_cast<long>(size)));
    SettingRecord read{};
    EXPECT_EQ(ReadFile("short.qxr", read), kResultFileFormat) << size << " bytes";
  }

  std::vector<std::uint8_t> longer = valid;
  longer.insert(longer.end(), 100, 0xEE);
  WriteBytes("long.qxr", longer);
  SettingRecord read{};
  EXPECT_EQ(ReadFile("long.qxr", read), kResultSuccess);
  EXPECT_EQ(std::memcmp(read.bytes, written.bytes, sizeof read.bytes), 0);
}

TEST_F(SettingFile, MissingOrUnwritableFileGivesItsCode) {
  SettingRecord record{};
  EXPECT_EQ(ReadSettingFile(nullptr, record), kResultFileMissing);
  EXPECT_EQ(WriteSettingFile(nullptr, record), kResultFileWrite);

  WriteBytes("readonly.qxr", {1, 2, 3});
  std::FILE* file = std::fopen("readonly.qxr", "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(WriteSettingFile(file, record), kResultFileWrite);
  std::fclose(file);
}

TEST(SettingFileDevice, FullDeviceGives501) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  std::FILE* file = std::fopen("/dev/full", "wb");
  ASSERT_NE(file, nullptr);
  SettingRecord record{};
  EXPECT_EQ(WriteSettingFile(file, record), kResultFileWrite);
  std::fclose(file);
}

}  // namespace
}  // namespace qx
