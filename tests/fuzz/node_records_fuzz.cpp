// Any record bytes, read from a device or a setting file, give rows without reading outside the
// record: every node is filled with the input and asked for its rows. The object bytes behind
// each record are poisoned, so a read past the record's end is reported.
#include <sanitizer/asan_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "utility/nodes/calibration_nodes.h"
#include "utility/nodes/device_nodes.h"
#include "utility/nodes/error_history_node.h"
#include "utility/nodes/nv_counter_threshold_nodes.h"
#include "utility/nodes/value_format.h"

namespace {

int port = 2;

template <class Node>
void RowsOf(const std::uint8_t* data, std::size_t size) {
  auto node = std::make_unique<Node>(&port);
  std::uint8_t* record = node->GetRecord();
  const std::size_t recordSize = node->RecordSize();
  for (std::size_t i = 0; i < recordSize; ++i) record[i] = size > 0 ? data[i % size] : 0;
  std::uint8_t* objectEnd = reinterpret_cast<std::uint8_t*>(node.get()) + sizeof(Node);
  std::uint8_t* recordEnd = record + recordSize;
  if (objectEnd > recordEnd) ASAN_POISON_MEMORY_REGION(recordEnd, objectEnd - recordEnd);
  qx::RowList rows = node->GetRows();
  qx::RowList extended = node->GetExtendedRows();
  if (objectEnd > recordEnd) ASAN_UNPOISON_MEMORY_REGION(recordEnd, objectEnd - recordEnd);
  for (const qx::Row& row : extended) {
    if (row.item.size() >= qx::kValueTextSize || row.value.size() >= qx::kValueTextSize) {
      __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RowsOf<qx::CDeviceNode>(data, size);
  RowsOf<qx::CSensorStatusNode>(data, size);
  RowsOf<qx::CADConverterNode>(data, size);
  RowsOf<qx::CNORVANVNode>(data, size);
  RowsOf<qx::CMaintenanceCounterNode>(data, size);
  RowsOf<qx::CThresholdValueNode>(data, size);
  RowsOf<qx::CFaceCalibrationValueNode>(data, size);
  RowsOf<qx::CFaceCalibrationBrightnessNode>(data, size);
  RowsOf<qx::CFaceCalibrationDarknessNode>(data, size);
  RowsOf<qx::CBackCalibrationValueNode>(data, size);
  RowsOf<qx::CBackCalibrationBrightnessNode>(data, size);
  RowsOf<qx::CBackCalibrationDarknessNode>(data, size);
  RowsOf<qx::COtherCalibrationValueNode>(data, size);
  RowsOf<qx::CErrorHistoryNode>(data, size);
  return 0;
}
