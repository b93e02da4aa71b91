#include "tests/port/port_test_support.h"

namespace qx::port::testing {

CallbackLog& CallbackLog::Get() {
  static CallbackLog log;
  return log;
}

PortCallbacks CallbackLog::Callbacks() {
  return PortCallbacks{
      [](int index) { Get().OnOpen(index); },
      [](int index) { Get().OnClose(index); },
      [](int index, int tag, int count, int complete) { Get().OnProgress(index, tag, count, complete); },
      [](int index, int available) { Get().OnReceive(index, available); },
  };
}

void CallbackLog::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  opens_ = closes_ = receives_ = 0;
  progress_.clear();
}

int CallbackLog::Opens() {
  std::lock_guard<std::mutex> lock(mutex_);
  return opens_;
}

int CallbackLog::Closes() {
  std::lock_guard<std::mutex> lock(mutex_);
  return closes_;
}

std::vector<Progress> CallbackLog::ProgressCalls() {
  std::lock_guard<std::mutex> lock(mutex_);
  return progress_;
}

int CallbackLog::Receives() {
  std::lock_guard<std::mutex> lock(mutex_);
  return receives_;
}

void CallbackLog::OnOpen(int) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++opens_;
}

void CallbackLog::OnClose(int) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++closes_;
}

void CallbackLog::OnProgress(int index, int tag, int count, int complete) {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.push_back({index, tag, count, complete});
}

void CallbackLog::OnReceive(int, int) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++receives_;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds bound) {
  auto deadline = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

PortSettings UsbSettings(int direct, int usbIndex, int usbFunction) {
  PortSettings settings{};
  settings.port = kPortTypeUsb;
  settings.direct = direct;
  settings.usbIndex = usbIndex;
  settings.usbFunction = usbFunction;
  settings.readTotalMultiplier = 0;
  settings.readTotalConstant = 10;
  settings.writeTotalMultiplier = 0;
  settings.writeTotalConstant = 2000;
  return settings;
}

PortLibraryFixture::PortLibraryFixture() {
  SetPortDriver(&driver);
  PortInitialize(nullptr);
  CallbackLog::Get().Reset();
  PortCallbacks callbacks = CallbackLog::Callbacks();
  for (int type = 0; type < 4; ++type) {
    PortCreate(type);
    PortSetCallbacks(type, &callbacks);
  }
}

PortLibraryFixture::~PortLibraryFixture() {
  PortShutdown();
  SetPortDriver(nullptr);
}

}  // namespace qx::port::testing
