// A full-length setting file with a valid header and any record bytes opens into the file tree,
// and every node lists its rows without reading outside its record: the heap bytes behind each
// node's record are poisoned while the report of all rows is built.
#include <sanitizer/allocator_interface.h>
#include <sanitizer/asan_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/qxr/setting_report.h"
#include "utility/shell/file_tree.h"
#include "utility/shell/result_code.h"
#include "utility/shell/setting_file.h"

namespace {

struct Poisoned {
  std::uint8_t* begin;
  std::size_t size;
};

// The bytes from the record's end to the end of the node's heap block, when the record is inside it.
Poisoned TailBehindRecord(qx::CTreeNode* node) {
  const void* block = node;
  if (!__sanitizer_get_ownership(block)) return {nullptr, 0};
  std::uint8_t* blockBegin = reinterpret_cast<std::uint8_t*>(node);
  std::uint8_t* blockEnd = blockBegin + __sanitizer_get_allocated_size(block);
  std::uint8_t* recordEnd = node->GetRecord() + node->RecordSize();
  if (recordEnd <= blockBegin || recordEnd >= blockEnd) return {nullptr, 0};
  return {recordEnd, static_cast<std::size_t>(blockEnd - recordEnd)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qx::SettingFileHeader header = qx::BuildSettingFileHeader();
  std::vector<std::uint8_t> file(reinterpret_cast<const std::uint8_t*>(&header),
                                 reinterpret_cast<const std::uint8_t*>(&header) + sizeof header);
  file.resize(qx::kSettingFileSize, 0);
  for (std::size_t i = qx::kSettingFileHeaderSize; i < file.size() && size > 0; ++i) {
    file[i] = data[(i - qx::kSettingFileHeaderSize) % size];
  }

  std::FILE* stream = std::tmpfile();
  if (stream == nullptr) __builtin_trap();
  if (std::fwrite(file.data(), 1, file.size(), stream) != file.size()) __builtin_trap();
  static qx::SettingRecord record;
  int result = qx::ReadSettingFile(stream, record);
  std::fclose(stream);
  if (result != qx::kResultSuccess) __builtin_trap();

  qx::FileTree tree;
  tree.Load(record);
  std::vector<Poisoned> poisoned;
  for (int i = 0; i < qx::kNodeClassCount; ++i) {
    qx::CTreeNode* node = tree.Node(static_cast<qx::NodeClass>(i));
    if (node == nullptr) __builtin_trap();
    Poisoned tail = TailBehindRecord(node);
    if (tail.size > 0) {
      ASAN_POISON_MEMORY_REGION(tail.begin, tail.size);
      poisoned.push_back(tail);
    }
  }
  std::string report = qx::SettingReport(tree);
  std::size_t normalRows = 0;
  for (int i = 0; i < qx::kNodeClassCount; ++i) normalRows += tree.Node(static_cast<qx::NodeClass>(i))->GetRows().size();
  for (const Poisoned& tail : poisoned) ASAN_UNPOISON_MEMORY_REGION(tail.begin, tail.size);
  if (report.empty() || normalRows > 100000) __builtin_trap();
  return 0;
}
