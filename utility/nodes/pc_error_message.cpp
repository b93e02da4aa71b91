#include "utility/nodes/pc_error_message.h"

#include <atomic>

#include "platform/user_message.h"

namespace qx {

namespace {

std::atomic<PcErrorSink> g_sink{nullptr};

}  // namespace

void SetPcErrorSink(PcErrorSink sink) { g_sink.store(sink); }

void ShowPcError(const char* text) {
  PcErrorSink sink = g_sink.load();
  if (sink != nullptr) {
    sink(text);
  } else {
    platform::ShowErrorMessage(text);
  }
}

}  // namespace qx
