#include "tools/qxr/opened_file.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/string_table.h"
#include "utility/shell/category_table.h"
#include "utility/shell/result_code.h"
#include "utility/shell/setting_file.h"

namespace qx::qxr {

namespace {

constexpr int kReadFailedString = 5;
constexpr int kInvalidFormatString = 6;

long long ModifiedTime(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return -1;
  return static_cast<long long>(info.st_mtime);
}

}  // namespace

std::string NamePart(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int ReadOpenedFile(std::FILE* stream, const std::string& name, std::unique_ptr<OpenedFile>* opened) {
  auto file = std::make_unique<OpenedFile>();
  file->name = name;
  int result = ReadSettingFile(stream, file->record);
  if (result == kResultSuccess && std::fread(&file->header, sizeof file->header, 1, stream) != 1) {
    result = kResultFileFormat;
  }
  if (result != kResultSuccess) return result;
  file->tree.Load(file->record);
  *opened = std::move(file);
  return kResultSuccess;
}

int OpenSettingFile(const std::string& path, std::unique_ptr<OpenedFile>* opened) {
  std::FILE* stream = std::fopen(path.c_str(), "rb");
  if (stream == nullptr) return kResultFileMissing;
  const int result = ReadOpenedFile(stream, NamePart(path), opened);
  std::fclose(stream);
  if (result == kResultSuccess) (*opened)->modified = ModifiedTime(path);
  return result;
}

std::string OpenFailureMessage(int result, const std::string& path) {
  char text[520];
  platform::LoadUtilityString(result == kResultFileMissing ? kReadFailedString : kInvalidFormatString, text,
                              sizeof text);
  return std::string(text) + NamePart(path);
}

RowList ShownRows(const FileTree& tree, int index) {
  RowList rows;
  if (index < 0 || index >= kCategoryCount) return rows;
  CTreeNode* node = tree.Node(kCategories[index].node);
  if (node == nullptr) return rows;
  for (Row& row : node->GetExtendedRows()) {
    if (row.value.empty()) row.value = "none";
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace qx::qxr
