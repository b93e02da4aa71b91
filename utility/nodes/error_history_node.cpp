#include "utility/nodes/error_history_node.h"

#include <cstring>

#include "utility/nodes/scanner_commands.h"
#include "utility/nodes/scanner_requests.h"
#include "utility/nodes/value_format.h"

namespace qx {

int ParseErrorHistory(const char* list, std::size_t length, ErrorHistoryRecord* record) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < kHistoryEntries; ++i) {
    if (length - pos < 4) return 1;
    if (length - pos < 5 || list[pos + 4] != ':') return 0;
    ErrorHistoryEntry& entry = record->entry[i];
    std::memcpy(entry.code, list + pos, 4);
    entry.code[4] = '\0';
    // The text runs to the next ','; a last entry without one runs to the end of the list.
    const std::size_t textStart = pos + 5;
    const void* comma = std::memchr(list + textStart, ',', length - textStart);
    const std::size_t textEnd =
        comma != nullptr ? static_cast<std::size_t>(static_cast<const char*>(comma) - list)
                         : length;
    // Longer texts keep their first ten characters.
    std::size_t n = textEnd - textStart;
    if (n > kHistoryTextSize - 1) n = kHistoryTextSize - 1;
    std::memset(entry.text, 0, sizeof entry.text);
    std::memcpy(entry.text, list + textStart, n);
    pos = comma != nullptr ? textEnd + 1 : length;
    // The rows stop at the first empty text: the entry after the last one filled is cleared.
    if (i + 1 < kHistoryEntries) {
      std::memset(record->entry[i + 1].text, 0, sizeof record->entry[i + 1].text);
    }
    if (pos >= length) return 1;
  }
  return 1;
}

void CErrorHistoryNode::Reset() { std::memset(&record_, 0, sizeof record_); }

int CErrorHistoryNode::ReadExtended() {
  char text[kErrorHistoryTextSize];
  std::size_t length = 0;
  if (ErrorHistoryTransfer(PortIndex(), command::kErrorHistory, sizeof command::kErrorHistory,
                           text, sizeof text, &length) != kRequestDone) {
    return 0;
  }
  // The list ends at its NUL however long the transfer says it is.
  length = strnlen(text, length < sizeof text ? length : sizeof text);
  return ParseErrorHistory(text, length, &record_);
}

RowList CErrorHistoryNode::GetExtendedRows() {
  RowList rows;
  for (std::size_t i = 0; i < kHistoryEntries; ++i) {
    const ErrorHistoryEntry& entry = record_.entry[i];
    std::string text = FieldText(entry.text);
    if (text.empty()) break;
    // Each code byte as a signed byte, in hexadecimal without padding.
    unsigned code[4];
    for (int b = 0; b < 4; ++b) {
      code[b] = static_cast<unsigned>(static_cast<int>(static_cast<signed char>(entry.code[b])));
    }
    rows.push_back({i == 0 ? std::string("last") : FormatValue("%d", static_cast<int>(i + 1)),
                    FormatValue("%s/0x%X%X%X%X", text.c_str(), code[0], code[1], code[2],
                                code[3])});
  }
  return rows;
}

}  // namespace qx
