#pragma once

// File lookups of a 32-bit process on 64-bit Windows see the real system folders only with WOW64
// file system redirection off. The guard turns it off for one read of a node and on again
// afterwards, on every path out of the read.
namespace qx {

// The two WOW64 calls the guard makes; tests put calls of their own in place.
struct Wow64Calls {
  bool (*isWow64)();
  bool (*enableRedirection)(bool enable);  // Wow64EnableWow64FsRedirection: true when done
};

// nullptr restores the platform's calls.
void SetWow64Calls(const Wow64Calls* calls);

class RedirectionGuard {
 public:
  RedirectionGuard() = default;
  RedirectionGuard(const RedirectionGuard&) = delete;
  RedirectionGuard& operator=(const RedirectionGuard&) = delete;
  // Turns redirection on again if a path out of the read did not.
  ~RedirectionGuard() { End(); }

  // Under WOW64 turns redirection off. False (after the error box "...(FALSE) failed.") when that
  // fails: the read ends with 0 and redirection was never off.
  bool Begin();
  // Turns redirection on again when Begin turned it off. False (after the error box
  // "...(TRUE) failed.") when that fails: the read ends with 0.
  bool End();

 private:
  bool off_ = false;
};

}  // namespace qx
