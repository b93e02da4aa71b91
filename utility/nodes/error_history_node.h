#pragma once

#include <cstddef>

#include "utility/nodes/error_history_record.h"
#include "utility/nodes/tree_node.h"

// The scanner's last ten errors, newest first.
namespace qx {

// Room for the accumulated entry list of one transfer (ten entries with generous texts).
inline constexpr std::size_t kErrorHistoryTextSize = 2048;

// Fills `record` from an entry list "CCCC:text,CCCC:text,...". 1 when parsed, 0 when an entry
// lacks the ':' behind its four code characters (entries before it stay filled).
int ParseErrorHistory(const char* list, std::size_t length, ErrorHistoryRecord* record);

class CErrorHistoryNode : public CRecordNode<ErrorHistoryRecord> {
 public:
  using CRecordNode::CRecordNode;

  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

}  // namespace qx
