#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "utility/nodes/row.h"
#include "utility/shell/file_tree.h"
#include "utility/shell/setting_record.h"

namespace qx::qxr {

// A setting file opened the way the utility opens one: its header, its record and the file tree.
struct OpenedFile {
  std::string name;  // the file name without its folder, as the utility's messages show it
  SettingFileHeader header{};
  SettingRecord record{};
  FileTree tree;
  long long modified = -1;  // seconds since 1970 (UTC), -1 when the system does not say
};

// Reads `path`: 1; 503 when it cannot be opened; 502 when it is not a setting file. The result is
// allocated because the record alone is 20 KB.
int OpenSettingFile(const std::string& path, std::unique_ptr<OpenedFile>* opened);

// The same for a stream already open for reading; `name` is what messages and reports call it.
int ReadOpenedFile(std::FILE* stream, const std::string& name, std::unique_ptr<OpenedFile>* opened);

// The utility's message for a failed open (string 5 or 6 followed by the file name).
std::string OpenFailureMessage(int result, const std::string& path);

// The rows of category `index` exactly as `qxr show` prints them (an empty Value is "none");
// a group without a node has none.
RowList ShownRows(const FileTree& tree, int index);

// The last part of a path, after its last '/' or '\'.
std::string NamePart(const std::string& path);

}  // namespace qx::qxr
