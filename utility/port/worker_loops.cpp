#include "utility/port/worker_loops.h"

#include <algorithm>
#include <mutex>

#include "platform/clock.h"
#include "utility/port/threaded_port.h"

namespace qx::port {

void WriterThread::Run() {
  std::uint8_t* batch = owner_.BatchBuffer();
  for (;;) {
    if (!Checkpoint()) return;
    std::size_t n = 0;
    std::size_t chunk = 0;
    bool empty = false;
    {
      std::lock_guard<std::mutex> lock(owner_.WriteLock());
      if (owner_.WriteQueue().Count() == 0) {
        empty = true;
      } else {
        chunk = static_cast<std::size_t>(owner_.WriteChunkLocked());
        n = owner_.WriteQueue().Pop(batch, chunk);
        ClearAbort();
      }
    }
    if (empty) {
      if (StopRequested()) return;
      Suspend();
      continue;
    }
    if (n == 0) continue;

    std::size_t done = 0;
    while (done != n && !AbortRequested()) {
      if (!Checkpoint()) return;
      auto len = static_cast<std::uint32_t>(std::min(chunk, n - done));
      std::uint32_t went = std::min(WriteToLink(batch + done, len), len);
      done += went;
      owner_.NotifyWriteProgress(0, static_cast<int>(done), went == len ? 1 : 0);
      if (went != len && PausesAfterShortWrite() && !PauseAfterShortStep()) return;
    }
    std::lock_guard<std::mutex> lock(owner_.WriteLock());
    owner_.WriteQueue().SetLastPopCount(0);
    ClearAbort();
  }
}

ReaderThread::ReaderThread(ThreadedPort& owner, std::intptr_t link)
    : PortThread(owner, link), buffer_(new std::uint8_t[kMaxReadChunk]) {}

void ReaderThread::Run() {
  while (Checkpoint()) {
    std::uint32_t chunk;
    bool full;
    {
      std::lock_guard<std::mutex> lock(owner_.ReadLock());
      chunk = static_cast<std::uint32_t>(owner_.ReadChunkLocked());
      full = owner_.ReadQueue().Total() >= kReadQueueCeiling;
    }
    std::uint32_t count = full ? 0 : std::min(ReadFromLink(buffer_.get(), chunk), chunk);
    if (count > 0) {
      {
        std::lock_guard<std::mutex> lock(owner_.ReadLock());
        owner_.ReadQueue().Push(0, buffer_.get(), count);
      }
      owner_.NotifyReceive(owner_.GetReadCount());
    } else {
      platform::SleepMilliseconds(1);
    }
  }
}

}  // namespace qx::port
