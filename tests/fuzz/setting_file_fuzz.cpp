// Any file content is read without touching memory outside the record: the first input byte
// chooses between the input taken as a whole file and a full-length file with a valid header
// whose record (and trailing bytes) come from the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "utility/shell/result_code.h"
#include "utility/shell/setting_file.h"

namespace {

int ReadFromBytes(const std::vector<std::uint8_t>& bytes, qx::SettingRecord& record) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) __builtin_trap();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) __builtin_trap();
  std::rewind(file);
  int result = qx::ReadSettingFile(file, record);
  std::fclose(file);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // Exactly the record's size on the heap, so that any overrun is caught.
  auto record = std::make_unique<qx::SettingRecord>();
  bool validHeader = (data[0] & 1) != 0;
  ++data;
  --size;

  if (!validHeader) {
    int result = ReadFromBytes(std::vector<std::uint8_t>(data, data + size), *record);
    if (result != qx::kResultSuccess && result != qx::kResultFileFormat) __builtin_trap();
    if (result == qx::kResultSuccess && size < qx::kSettingFileSize) __builtin_trap();
    return 0;
  }

  qx::SettingFileHeader header = qx::BuildSettingFileHeader();
  std::vector<std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(&header),
                                  reinterpret_cast<const std::uint8_t*>(&header) + sizeof header);
  std::vector<std::uint8_t> body(qx::kSettingRecordSize);
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = size == 0 ? 0 : data[i % size];
  bytes.insert(bytes.end(), body.begin(), body.end());
  bytes.insert(bytes.end(), data, data + (size < 64 ? size : 64));
  if (ReadFromBytes(bytes, *record) != qx::kResultSuccess) __builtin_trap();
  if (std::memcmp(record->bytes, body.data(), body.size()) != 0) __builtin_trap();
  return 0;
}
