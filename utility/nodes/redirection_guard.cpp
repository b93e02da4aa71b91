#include "utility/nodes/redirection_guard.h"

#include <atomic>

#include "platform/pc_facts.h"
#include "utility/nodes/pc_error_message.h"

namespace qx {

namespace {

const Wow64Calls kPlatformCalls = {&platform::IsWow64, &platform::EnableWow64FsRedirection};
std::atomic<const Wow64Calls*> g_calls{&kPlatformCalls};

}  // namespace

void SetWow64Calls(const Wow64Calls* calls) { g_calls.store(calls != nullptr ? calls : &kPlatformCalls); }

bool RedirectionGuard::Begin() {
  const Wow64Calls* calls = g_calls.load();
  if (off_ || !calls->isWow64()) return true;
  if (!calls->enableRedirection(false)) {
    ShowPcError("Wow64EnableWow64FsRedirection(FALSE) failed.");
    return false;
  }
  off_ = true;
  return true;
}

bool RedirectionGuard::End() {
  if (!off_) return true;
  off_ = false;
  if (!g_calls.load()->enableRedirection(true)) {
    ShowPcError("Wow64EnableWow64FsRedirection(TRUE) failed.");
    return false;
  }
  return true;
}

}  // namespace qx
