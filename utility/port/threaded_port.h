#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "utility/port/byte_queue.h"
#include "utility/port/port.h"
#include "utility/port/port_thread.h"

namespace qx::port {

inline constexpr int kMaxWriteChunk = 65536;
inline constexpr int kMaxReadChunk = 65540;
inline constexpr int kDefaultWriteChunk = 1024;
inline constexpr std::size_t kOpenWriteQueueLimit = 4096;
// The reader stops taking bytes from the link while this much waits unread, so a caller that
// never reads cannot make the queue grow without bound; nothing is dropped.
inline constexpr std::size_t kReadQueueCeiling = 4u << 20;

// The queue side every threaded port shares: a write queue with its writer thread and batch
// buffer, a read queue with its reader thread, the chunk sizes, and the two locks. Each lock
// guards its queue, its chunk size, its worker pointer and (write side) the last pop count and
// the abort flag's reset; neither is held across a link call, a callback or a sleep, and no
// thread holds both. The queues and locks belong to the port object, so nothing stays behind
// when a port is destroyed and created again.
class ThreadedPort : public Port {
 public:
  ThreadedPort(int index, int type, int readChunk);
  ~ThreadedPort() override;

  int GetPendingWrite() override;
  void PurgeWrite() override;
  void ResumeWrite() override;
  void SuspendWrite() override;
  int GetWriteChunk() override;
  int SetWriteChunk(int size) override;
  int GetReadCount() override;
  void PurgeRead() override;
  void ResumeRead() override;
  void SuspendRead() override;
  int GetReadChunk() override;
  int SetReadChunk(int size) override;

  // For the worker loops.
  std::mutex& WriteLock() { return writeLock_; }
  ByteQueue& WriteQueue() { return writeQueue_; }
  int WriteChunkLocked() const { return writeChunk_; }
  std::uint8_t* BatchBuffer() { return batch_.get(); }
  std::mutex& ReadLock() { return readLock_; }
  ByteQueue& ReadQueue() { return readQueue_; }
  int ReadChunkLocked() const { return readChunk_; }

 protected:
  // Threaded Write: queues a copy and wakes the writer; accepts nothing once closing has begun.
  int QueueWrite(int tag, const void* data, int length, int* written);
  // A port's Close calls RefuseWrites first: from then on Write accepts nothing, so no byte given
  // while the port closes can wait in the queue for the next session. A successful Open calls
  // AcceptWrites before its workers start, which also drops anything such a write left queued.
  void RefuseWrites();
  void AcceptWrites();
  bool WritesRefused();
  // Threaded Read: takes what the read queue holds, never waits.
  int TakeRead(void* buffer, int length, int* read);
  // Sets the write-queue limit to 4096 and starts both workers; false (nothing left running)
  // when either cannot start.
  bool StartWorkers(std::unique_ptr<PortThread> writer, std::unique_ptr<PortThread> reader);
  // Stops and releases the reader, then the writer; each is asked to stop, woken and joined.
  void StopWorkers();
  // Asks both workers to stop without waiting for them (before the link is shut under them).
  void RequestWorkersStop();
  void RepointWorkers(std::intptr_t link);

 private:
  static void StopWorker(std::unique_ptr<PortThread> worker);

  std::mutex writeLock_;
  ByteQueue writeQueue_;
  int writeChunk_ = kDefaultWriteChunk;
  std::unique_ptr<PortThread> writer_;
  std::unique_ptr<std::uint8_t[]> batch_;
  bool writesRefused_ = false;

  std::mutex readLock_;
  ByteQueue readQueue_;
  int readChunk_;
  std::unique_ptr<PortThread> reader_;
};

}  // namespace qx::port
