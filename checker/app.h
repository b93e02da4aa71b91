#pragma once

#include <windows.h>

namespace qx::checker {

// The checker's application object: the start-up checks, then one modal wizard run.
class CR7000CheckApp {
 public:
  CR7000CheckApp() = default;
  // Releases and closes the mutex when it holds one.
  ~CR7000CheckApp();
  CR7000CheckApp(const CR7000CheckApp&) = delete;
  CR7000CheckApp& operator=(const CR7000CheckApp&) = delete;

  // Always false: the program ends when the wizard ends or a start-up check fails.
  bool InitInstance();

 private:
  HANDLE mutex_ = nullptr;
};

}  // namespace qx::checker
