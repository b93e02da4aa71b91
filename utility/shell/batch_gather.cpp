#include "utility/shell/batch_gather.h"

#include "utility/shell/info_document.h"
#include "utility/shell/result_code.h"

namespace qx {

int RunExtendedGatherInto(SettingRecord& record) {
  InfoDocument document(nullptr);
  document.BuildDeviceTree(kRunModeBatch);
  int result = document.ExtendedGather();
  if (result == kResultSuccess) record = document.BuildSettingRecord();
  return result;
}

}  // namespace qx
