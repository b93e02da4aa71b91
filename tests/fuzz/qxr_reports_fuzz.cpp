// qxr's reports over any 20633-byte setting file (a valid header, the record from the input):
// nothing is read outside a record (AddressSanitizer), the JSON parses and holds every row of
// `qxr show`, the HTML page is well-formed UTF-8, a diff against the file itself is empty and
// against another unit parses, and the simulator's loader accepts the profile.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim/profile.h"
#include "tests/qxr/unit_file_generator.h"
#include "tools/qxr/file_diff.h"
#include "tools/qxr/html_report.h"
#include "tools/qxr/json_report.h"
#include "tools/qxr/setting_report.h"
#include "tools/qxr/sim_profile.h"
#include "tools/qxr/text_escape.h"
#include "utility/shell/result_code.h"
#include "utility/shell/setting_file.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

std::unique_ptr<qx::qxr::OpenedFile> OpenBytes(const std::vector<std::uint8_t>& bytes) {
  std::FILE* stream = std::tmpfile();
  Require(stream != nullptr);
  Require(std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size());
  std::rewind(stream);
  std::unique_ptr<qx::qxr::OpenedFile> file;
  Require(qx::qxr::ReadOpenedFile(stream, "fuzz.qxr", &file) == qx::kResultSuccess);
  std::fclose(stream);
  return file;
}

bool ValidUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

bool IsVoid(const std::string& tag) { return tag == "meta" || tag == "br"; }

// Tags open and close in order, attribute values are quoted, text holds no '<' and no '&' that
// does not start a reference, and the style sheet is the only raw text.
bool WellFormedHtml(const std::string& page) {
  std::vector<std::string> open;
  std::size_t i = page.find('<');
  if (page.compare(0, 15, "<!DOCTYPE html>") != 0) return false;
  i = 15;
  while (i < page.size()) {
    if (page[i] == '&') {
      const std::size_t end = page.find(';', i);
      if (end == std::string::npos || end - i > 10) return false;
      i = end + 1;
      continue;
    }
    if (page[i] == '>') return false;
    if (page[i] != '<') {
      ++i;
      continue;
    }
    const bool closing = i + 1 < page.size() && page[i + 1] == '/';
    std::size_t at = i + (closing ? 2 : 1);
    std::string name;
    while (at < page.size() && (std::isalnum(static_cast<unsigned char>(page[at])) || page[at] == '-')) name += page[at++];
    if (name.empty()) return false;
    bool quoted = false;
    for (; at < page.size() && (quoted || page[at] != '>'); ++at) {
      if (page[at] == '"') quoted = !quoted;
      if (page[at] == '<') return false;
    }
    if (at >= page.size()) return false;
    const bool selfClosing = page[at - 1] == '/';
    i = at + 1;
    if (closing) {
      if (open.empty() || open.back() != name) return false;
      open.pop_back();
    } else if (!selfClosing && !IsVoid(name)) {
      open.push_back(name);
      if (name == "style") {
        const std::size_t end = page.find("</style>", i);
        if (end == std::string::npos) return false;
        i = end;
      }
    }
  }
  return open.empty();
}

std::string ShowFromJson(const nlohmann::json& doc) {
  std::string show;
  for (const auto& c : doc.at("categories")) {
    show += "== " + c.at("path").get<std::string>() + " ==\n";
    for (const auto& row : c.at("rows")) {
      show += row.at("item").get<std::string>() + "\t" + row.at("value").get<std::string>() + "\n";
    }
  }
  return show;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qx::SettingFileHeader header = qx::BuildSettingFileHeader();
  std::vector<std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(&header),
                                  reinterpret_cast<const std::uint8_t*>(&header) + sizeof header);
  bytes.resize(qx::kSettingFileSize, 0);
  for (std::size_t i = qx::kSettingFileHeaderSize; i < bytes.size() && size > 0; ++i) {
    bytes[i] = data[(i - qx::kSettingFileHeaderSize) % size];
  }
  auto file = OpenBytes(bytes);

  nlohmann::json doc = nlohmann::json::parse(qx::qxr::JsonReport(*file, true), nullptr, false);
  Require(!doc.is_discarded());
  // Texts are the bytes as ISO 8859-1: the show text, encoded the same way, matches.
  Require(ShowFromJson(doc) == qx::qxr::Latin1ToUtf8(qx::SettingReport(file->tree)));

  const std::string page = qx::qxr::HtmlReport(*file);
  Require(ValidUtf8(page));
  Require(WellFormedHtml(page));

  Require(qx::qxr::DiffFiles(*file, *file).empty());
  static const std::unique_ptr<qx::qxr::OpenedFile> other = OpenBytes(qx::qxrtest::MakeUnitFile({1}));
  const std::vector<qx::qxr::CategoryDiff> diffs = qx::qxr::DiffFiles(*file, *other);
  Require(!nlohmann::json::parse(qx::qxr::DiffJson(*file, *other, diffs), nullptr, false).is_discarded());
  Require(diffs.empty() == qx::qxr::DiffText(*file, *other, diffs).empty());

  qx::sim::Profile profile;
  std::string error;
  Require(qx::sim::ParseProfile(qx::qxr::SimProfile(*file), ".", &profile, &error));
  return 0;
}
