#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/sim/sim_fixture.h"

// What the checker's scanner tests share: the simulator behind the stand-in library, the
// library's call log, and a watcher that answers the message boxes the connection shows.
namespace qx::checkertest {

// Finds the running simulator, hands its link address to the library (QXR7000_SIM) and resets it
// to `profile`. False with a reason when there is none.
bool PrepareSimulator(simtest::SimAddresses* sim, const std::string& profile, std::string* why);

// A simulator control command that must succeed.
bool Api(const simtest::SimAddresses& sim, const std::string& setting);

// The library's call log for one test: a fresh file named through NORVASCAN_CALL_LOG.
class CallLog {
 public:
  CallLog();
  ~CallLog();
  // Every line, or only the calls (callback lines left out).
  std::vector<std::string> Lines() const;
  std::vector<std::string> Calls() const;
  // The function names of Calls(), in order.
  std::vector<std::string> Names() const;
  std::size_t Count(const std::string& prefix) const;

 private:
  std::string path_;
};

// Answers every message box of this process with OK and remembers what each said.
class BoxWatcher {
 public:
  struct Box {
    std::wstring caption;
    std::wstring text;
  };
  BoxWatcher();
  ~BoxWatcher();
  std::vector<Box> Boxes();

 private:
  void Watch();
  static BOOL CALLBACK Visit(HWND window, LPARAM self);
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<Box> boxes_;
  std::vector<HWND> answered_;
  std::thread thread_;
};

// True once `condition` holds, polling for at most `ms`.
template <typename F>
bool WaitFor(F condition, DWORD ms) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > ms) return false;
    Sleep(2);
  }
  return true;
}

}  // namespace qx::checkertest
