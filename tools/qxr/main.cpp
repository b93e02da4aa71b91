// qxr: reads a QX-R7000 setting file (*.qxr) and prints it as text.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/string_table.h"
#include "tools/qxr/setting_report.h"
#include "utility/shell/file_tree.h"
#include "utility/shell/setting_file.h"

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitUnreadable = 2;

const char* NamePart(const char* path) {
  const char* name = path;
  for (const char* c = path; *c != '\0'; ++c) {
    if (*c == '/' || *c == '\\') name = c + 1;
  }
  return name;
}

int Fail(int stringId, const char* path) {
  char text[520];
  qx::platform::LoadUtilityString(stringId, text, sizeof text);
  std::fprintf(stderr, "%s%s\n", text, NamePart(path));
  return kExitUnreadable;
}

int Show(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return Fail(5, path);
  static qx::SettingRecord record;
  int result = qx::ReadSettingFile(file, record);
  std::fclose(file);
  if (result != 1) return Fail(6, path);
  qx::FileTree tree;
  tree.Load(record);
  std::string report = qx::SettingReport(tree);
  std::fwrite(report.data(), 1, report.size(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "show") == 0) return Show(argv[2]);
  std::fprintf(stderr, "usage: qxr show FILE.qxr\n");
  return kExitUsage;
}
