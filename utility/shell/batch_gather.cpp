#include "utility/shell/batch_gather.h"

#include "utility/shell/result_code.h"

namespace qx {

// The information document and its nodes are not part of the program yet, so no scanner can be
// reached: the export ends as it does when none is attached.
int RunExtendedGatherInto(SettingRecord&) { return kResultNoScanner; }

}  // namespace qx
