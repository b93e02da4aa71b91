#include "utility/nodes/pc_error_message.h"

#include <atomic>

#include "platform/user_message.h"

namespace qx {

namespace {

std::atomic<PcErrorSink> g_sink{nullptr};
std::atomic<bool> g_boxesShown{true};

}  // namespace

void SetPcErrorSink(PcErrorSink sink) { g_sink.store(sink); }

void SetPcErrorBoxesShown(bool shown) { g_boxesShown.store(shown); }

void ShowPcError(const char* text) {
  if (!g_boxesShown.load()) return;
  PcErrorSink sink = g_sink.load();
  if (sink != nullptr) {
    sink(text);
  } else {
    platform::ShowErrorMessage(text);
  }
}

}  // namespace qx
