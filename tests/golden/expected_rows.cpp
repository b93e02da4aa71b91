#include "tests/golden/expected_rows.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qx::golden {
namespace {

bool ParseHeader(const std::string& line, Section* section, std::string* why) {
  std::size_t close = line.find(']');
  if (close == std::string::npos) {
    *why = "unclosed section header: " + line;
    return false;
  }
  std::string inner = line.substr(1, close - 1);
  std::size_t space = inner.find(' ');
  section->node = inner.substr(0, space);
  if (space == std::string::npos) return true;
  std::string option = inner.substr(space + 1);
  if (option == "each") {
    section->kind = SectionKind::kEach;
    return true;
  }
  if (option.rfind("rows=", 0) == 0) {
    section->kind = SectionKind::kSampled;
    section->rowCount = static_cast<std::size_t>(std::strtoul(option.c_str() + 5, nullptr, 10));
    return section->rowCount > 0;
  }
  *why = "unknown section option: " + option;
  return false;
}

}  // namespace

bool ReadExpectedFile(const std::string& path, std::vector<Section>* sections, std::string* why) {
  std::string native = path;
#ifdef _WIN32
  // Under Wine the source tree is reached through the drive that maps the Unix root.
  if (!native.empty() && native[0] == '/') native = "Z:" + native;
#endif
  std::FILE* f = std::fopen(native.c_str(), "rb");
  if (f == nullptr) {
    *why = "cannot open " + native;
    return false;
  }
  char buffer[1024];
  bool ok = true;
  while (ok && std::fgets(buffer, sizeof buffer, f) != nullptr) {
    std::string line(buffer);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.empty() || line.rfind(";;", 0) == 0) continue;
    if (line[0] == '[') {
      sections->push_back(Section{});
      ok = ParseHeader(line, &sections->back(), why);
      continue;
    }
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos || sections->empty()) {
      *why = "not a row of a section: " + line;
      ok = false;
      continue;
    }
    sections->back().rows.push_back(Row{line.substr(0, tab), line.substr(tab + 1)});
  }
  std::fclose(f);
  return ok;
}

bool RowMatches(const Row& expected, const Row& actual) {
  return expected.item == actual.item && (expected.value == "*" || expected.value == actual.value);
}

}  // namespace qx::golden
