#pragma once

#include <cstdint>
#include <memory>

#include "utility/port/port_thread.h"

namespace qx::port {

// The writer every threaded port runs: takes at most one write chunk from the write queue per
// batch into the port's batch buffer and hands it to the link, reporting progress after each
// link call, until the batch is out, aborted by PurgeWrite, or the thread is stopped. Parks
// itself while the queue is empty.
class WriterThread : public PortThread {
 protected:
  using PortThread::PortThread;
  // Hands len bytes to the link; returns the count that went out (0 on a failed call).
  virtual std::uint32_t WriteToLink(const std::uint8_t* bytes, std::uint32_t len) = 0;
  // Whether a short link call is followed by a 1 ms pause (USB, parallel, serial: yes).
  virtual bool PausesAfterShortWrite() const { return true; }

 private:
  void Run() final;
};

// The reader every queued port runs: asks the link for up to one read chunk, queues what came
// and reports it; sleeps 1 ms after an empty read.
class ReaderThread : public PortThread {
 protected:
  ReaderThread(ThreadedPort& owner, std::intptr_t link);
  // Reads up to capacity bytes from the link; returns the count (0 when nothing came or the
  // call failed).
  virtual std::uint32_t ReadFromLink(std::uint8_t* buffer, std::uint32_t capacity) = 0;

 private:
  void Run() final;

  std::unique_ptr<std::uint8_t[]> buffer_;
};

}  // namespace qx::port
