#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/port/fake_driver.h"
#include "tests/port/loopback_network.h"
#include "utility/port/port_api.h"
#include "utility/port/port_driver.h"

namespace qx::port::testing {

// What the port library told the caller through its four callbacks.
struct Progress {
  int index, tag, count, complete;
};

class CallbackLog {
 public:
  static CallbackLog& Get();
  static PortCallbacks Callbacks();
  void Reset();

  int Opens();
  int Closes();
  std::vector<Progress> ProgressCalls();
  int Receives();

  void OnOpen(int index);
  void OnClose(int index);
  void OnProgress(int index, int tag, int count, int complete);
  void OnReceive(int index, int available);

 private:
  std::mutex mutex_;
  int opens_ = 0;
  int closes_ = 0;
  int receives_ = 0;
  std::vector<Progress> progress_;
};

// Polls until the condition holds or the bound passes; the bound only keeps a failing test from
// hanging.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds bound = std::chrono::seconds(10));

// A settings record as the device connection fills it for the USB port.
PortSettings UsbSettings(int direct, int usbIndex = 0, int usbFunction = 0);

// The library initialised with the fake driver and the four ports of the device connection (the
// Ethernet port held on loopback):
// indexes 0..3 by type; the callback log cleared and attached to every port.
class PortLibraryFixture {
 public:
  PortLibraryFixture();
  ~PortLibraryFixture();
  // Declared first: the Ethernet port the fixture creates is held on loopback from the start.
  LoopbackNetwork network;
  FakeDriver driver;
};

}  // namespace qx::port::testing
