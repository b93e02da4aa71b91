#include "utility/port/comm_threads.h"

#include <cstdio>

#include "platform/clock.h"
#include "utility/port/threaded_port.h"

namespace qx::port {

namespace {

// Polls a pending transfer every 1 ms until it is done or fails. A stop cancels it and waits
// until the system has let go of the OVERLAPPED and the buffer (both are freed once the worker
// ends), giving what went through before the cancel.
std::uint32_t FinishPending(PortThread& thread, std::intptr_t handle, platform::CommIo* io) {
  for (;;) {
    std::uint32_t done = 0;
    switch (platform::PollCommIo(handle, io, &done)) {
      case platform::IoPoll::kDone:
      case platform::IoPoll::kFailed: return done;
      case platform::IoPoll::kIncomplete: break;
    }
    if (thread.StopRequested()) return platform::CancelCommIo(handle, io);
    platform::SleepMilliseconds(1);
  }
}

}  // namespace

LptWriteThread::LptWriteThread(ThreadedPort& port, std::intptr_t handle, platform::CommIo* io)
    : WriterThread(port, handle), io_(io) {}

// The thread must end before this object goes: Run belongs to it.
LptWriteThread::~LptWriteThread() {
  RequestStop();
  Join();
}

std::uint32_t LptWriteThread::WriteToLink(const std::uint8_t* bytes, std::uint32_t len) {
  std::uint32_t done = 0;
  std::uint32_t error = 0;
  switch (platform::StartCommWrite(Link(), io_, bytes, len, &done, &error)) {
    case platform::IoStart::kDone: return done;
    case platform::IoStart::kPending: return FinishPending(*this, Link(), io_);
    case platform::IoStart::kFailed: return 0;
  }
  return 0;
}

LptReadThread::LptReadThread(ThreadedPort& port, std::intptr_t handle, platform::CommIo* io)
    : ReaderThread(port, handle), io_(io) {}

LptReadThread::~LptReadThread() {
  RequestStop();
  Join();
}

std::uint32_t LptReadThread::ReadFromLink(std::uint8_t* buffer, std::uint32_t capacity) {
  std::uint32_t done = 0;
  std::uint32_t error = 0;
  switch (platform::StartCommRead(Link(), io_, buffer, capacity, &done, &error)) {
    case platform::IoStart::kDone: return done;
    case platform::IoStart::kPending: return FinishPending(*this, Link(), io_);
    case platform::IoStart::kFailed: return 0;
  }
  return 0;
}

ComWriteThread::ComWriteThread(ThreadedPort& port, std::intptr_t handle, platform::CommIo* io)
    : WriterThread(port, handle), io_(io) {}

ComWriteThread::~ComWriteThread() {
  RequestStop();
  Join();
}

std::uint32_t ComWriteThread::WriteToLink(const std::uint8_t* bytes, std::uint32_t len) {
  for (;;) {
    platform::ClearCommDeviceError(Link(), nullptr);
    std::uint32_t done = 0;
    std::uint32_t error = 0;
    switch (platform::StartCommWrite(Link(), io_, bytes, len, &done, &error)) {
      case platform::IoStart::kDone: return done;
      case platform::IoStart::kPending: return FinishPending(*this, Link(), io_);
      case platform::IoStart::kFailed: break;
    }
    // The line's own format ends in a '%' before the newline; printed as a literal here.
    std::printf("dwErr=%d rSize=%d%%\n", static_cast<int>(error), static_cast<int>(done));
    std::fflush(stdout);
    // A 1 ms pause keeps a line that fails for good from flooding the output at full speed.
    if (StopRequested() || AbortRequested() || !PauseAfterShortStep() || AbortRequested()) return 0;
  }
}

ComEventThread::ComEventThread(ThreadedPort& port, std::intptr_t handle, platform::CommIo* io)
    : PortThread(port, handle), io_(io) {
  std::uint32_t mask = 0;
  platform::GetCommEventMask(handle, &mask);
  platform::SetCommEventMask(handle, mask | platform::kEventRxChar);
}

ComEventThread::~ComEventThread() {
  RequestStop();
  Join();
}

void ComEventThread::Run() {
  while (!StopRequested()) {
    if (!Checkpoint()) return;
    std::uint32_t events = 0;
    if (!platform::WaitCommDeviceEvent(Link(), io_, &events) || (events & platform::kEventRxChar) == 0) return;
    try {
      owner_.NotifyReceive(owner_.GetReadCount());
    } catch (...) {
      // A fault in the caller's callback must not end the port's event thread.
    }
    platform::SleepMilliseconds(1);
  }
}

}  // namespace qx::port
