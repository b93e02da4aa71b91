#pragma once

#include "utility/shell/setting_record.h"

namespace qx {

// The batch export's job on the scanner: creates an information document with no tree view,
// builds the nodes for RunMode Batch, runs the extended gather and, when it succeeds, copies every
// node's record into `record`; the document is destroyed before returning. Returns the gather's
// result code (1 on success).
int RunExtendedGatherInto(SettingRecord& record);

}  // namespace qx
