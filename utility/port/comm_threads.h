#pragma once

#include <cstdint>

#include "platform/comm_device.h"
#include "utility/port/worker_loops.h"

namespace qx::port {

// The parallel writer: each chunk is one overlapped write; a pending write is polled every 1 ms
// until it finishes, fails (the count so far) or the thread is stopped.
class LptWriteThread final : public WriterThread {
 public:
  LptWriteThread(ThreadedPort& port, std::intptr_t handle, platform::CommIo* io);
  ~LptWriteThread() override;

 private:
  std::uint32_t WriteToLink(const std::uint8_t* bytes, std::uint32_t len) override;

  platform::CommIo* io_;
};

// The parallel reader: one overlapped read of up to the read chunk per pass, polled like the
// writer's.
class LptReadThread final : public ReaderThread {
 public:
  LptReadThread(ThreadedPort& port, std::intptr_t handle, platform::CommIo* io);
  ~LptReadThread() override;

 private:
  std::uint32_t ReadFromLink(std::uint8_t* buffer, std::uint32_t capacity) override;

  platform::CommIo* io_;
};

// The serial writer: clears the line's errors, then one overlapped write per chunk. A write that
// fails outright is printed ("dwErr=... rSize=...") and the same chunk tried again, until it goes
// out or the writer is stopped or its batch purged.
class ComWriteThread final : public WriterThread {
 public:
  ComWriteThread(ThreadedPort& port, std::intptr_t handle, platform::CommIo* io);
  ~ComWriteThread() override;

 private:
  std::uint32_t WriteToLink(const std::uint8_t* bytes, std::uint32_t len) override;

  platform::CommIo* io_;
};

// The serial event thread: adds received-character events to the handle's mask when made, then
// announces each arrival through on-receive. It ends when a wait returns without that event
// (the port's close clears the mask).
class ComEventThread final : public PortThread {
 public:
  ComEventThread(ThreadedPort& port, std::intptr_t handle, platform::CommIo* io);
  ~ComEventThread() override;

 private:
  void Run() override;

  platform::CommIo* io_;
};

}  // namespace qx::port
