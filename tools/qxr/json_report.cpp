#include "tools/qxr/json_report.h"

#include <nlohmann/json.hpp>

#include "tools/qxr/text_escape.h"
#include "utility/shell/category_table.h"

namespace qx::qxr {

namespace {

using nlohmann::ordered_json;

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(2 * size);
  for (std::size_t i = 0; i < size; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

ordered_json Header(const SettingFileHeader& header) {
  std::uint32_t length = 0;
  for (std::size_t i = 0; i < sizeof header.length; ++i) length |= std::uint32_t{header.length[i]} << (8 * i);
  ordered_json j;
  j["magic"] = Latin1ToUtf8(std::string(header.magic, sizeof header.magic));
  j["version"] = std::to_string(header.version[0]) + "." + std::to_string(header.version[1]) + "." +
                 std::to_string(header.version[2]) + "." + std::to_string(header.version[3]);
  j["length"] = length;
  j["zero"] = header.zero;
  return j;
}

}  // namespace

std::string HeaderJson(const SettingFileHeader& header) { return Header(header).dump(); }

std::string JsonReport(const OpenedFile& file, bool raw) {
  ordered_json doc;
  doc["format"] = "qxr-setting-file";
  doc["schema_version"] = kJsonSchemaVersion;
  doc["file"] = Latin1ToUtf8(file.name);
  doc["header"] = Header(file.header);
  ordered_json categories = ordered_json::array();
  for (int i = 0; i < kCategoryCount; ++i) {
    ordered_json c;
    c["index"] = i;
    c["path"] = CategoryPath(i);
    c["text"] = kCategories[i].text;
    c["parent"] = kCategories[i].parent == kRootParent ? ordered_json(nullptr) : ordered_json(kCategories[i].parent);
    ordered_json rows = ordered_json::array();
    for (const Row& row : ShownRows(file.tree, i)) {
      rows.push_back({{"item", Latin1ToUtf8(row.item)}, {"value", Latin1ToUtf8(row.value)}});
    }
    c["rows"] = std::move(rows);
    const SettingSlot* slot = FindSettingSlot(kCategories[i].node);
    if (raw && slot != nullptr) {
      c["record"] = {{"offset", slot->offset},
                     {"size", slot->size},
                     {"hex", Hex(file.record.bytes + slot->offset, slot->size)}};
    }
    categories.push_back(std::move(c));
  }
  doc["categories"] = std::move(categories);
  return doc.dump(2) + "\n";
}

}  // namespace qx::qxr
