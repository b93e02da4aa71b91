#include "utility/port/threaded_port.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace qx::port {

namespace {

int ClampToInt(std::size_t n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }

}  // namespace

ThreadedPort::ThreadedPort(int index, int type, int readChunk)
    : Port(index, type), batch_(new std::uint8_t[kMaxWriteChunk]), readChunk_(readChunk) {}

ThreadedPort::~ThreadedPort() { StopWorkers(); }

int ThreadedPort::GetPendingWrite() {
  std::lock_guard<std::mutex> lock(writeLock_);
  return ClampToInt(writeQueue_.Total() + writeQueue_.LastPopCount());
}

void ThreadedPort::PurgeWrite() {
  // The abort flag is set under the lock, and the writer clears it under the lock when it takes
  // a batch, so a purge made while the writer is idle cannot cut the next batch short.
  std::lock_guard<std::mutex> lock(writeLock_);
  writeQueue_.Clear();
  if (writer_) writer_->Abort();
}

void ThreadedPort::ResumeWrite() {
  std::lock_guard<std::mutex> lock(writeLock_);
  if (writer_) writer_->Resume();
}

void ThreadedPort::SuspendWrite() {
  std::lock_guard<std::mutex> lock(writeLock_);
  if (writer_) writer_->Hold();
}

int ThreadedPort::GetWriteChunk() {
  std::lock_guard<std::mutex> lock(writeLock_);
  return writeChunk_;
}

int ThreadedPort::SetWriteChunk(int size) {
  if (size < 1 || size > kMaxWriteChunk) return 0;
  std::lock_guard<std::mutex> lock(writeLock_);
  writeQueue_.SetLimit(std::max<long long>(4096, 2LL * size));
  writeChunk_ = size;
  return 1;
}

int ThreadedPort::GetReadCount() {
  std::lock_guard<std::mutex> lock(readLock_);
  return ClampToInt(readQueue_.Total());
}

void ThreadedPort::PurgeRead() {
  if (IsOpen() != 1) return;
  std::lock_guard<std::mutex> lock(readLock_);
  readQueue_.Clear();
}

void ThreadedPort::ResumeRead() {
  std::lock_guard<std::mutex> lock(readLock_);
  if (reader_) reader_->Resume();
}

void ThreadedPort::SuspendRead() {
  std::lock_guard<std::mutex> lock(readLock_);
  if (reader_) reader_->Hold();
}

int ThreadedPort::GetReadChunk() {
  std::lock_guard<std::mutex> lock(readLock_);
  return readChunk_;
}

int ThreadedPort::SetReadChunk(int size) {
  if (size < 1 || size > kMaxReadChunk) return 0;
  std::lock_guard<std::mutex> lock(readLock_);
  readChunk_ = size;
  return 1;
}

int ThreadedPort::QueueWrite(int tag, const void* data, int length, int* written) {
  std::size_t accepted = 0;
  {
    std::lock_guard<std::mutex> lock(writeLock_);
    if (!writesRefused_) {
      accepted = writeQueue_.Push(static_cast<std::uint32_t>(tag), data, static_cast<std::size_t>(length));
      if (writer_) writer_->Resume();
    }
  }
  if (written != nullptr) *written = static_cast<int>(accepted);
  return accepted == static_cast<std::size_t>(length) ? 1 : 0;
}

void ThreadedPort::RefuseWrites() {
  std::lock_guard<std::mutex> lock(writeLock_);
  writesRefused_ = true;
}

void ThreadedPort::AcceptWrites() {
  std::lock_guard<std::mutex> lock(writeLock_);
  writeQueue_.Clear();
  writesRefused_ = false;
}

bool ThreadedPort::WritesRefused() {
  std::lock_guard<std::mutex> lock(writeLock_);
  return writesRefused_;
}

int ThreadedPort::TakeRead(void* buffer, int length, int* read) {
  std::size_t taken = 0;
  {
    std::lock_guard<std::mutex> lock(readLock_);
    taken = readQueue_.Pop(buffer, static_cast<std::size_t>(length));
  }
  if (read != nullptr) *read = static_cast<int>(taken);
  return taken == static_cast<std::size_t>(length) ? 1 : 0;
}

bool ThreadedPort::StartWorkers(std::unique_ptr<PortThread> writer, std::unique_ptr<PortThread> reader) {
  {
    std::lock_guard<std::mutex> lock(writeLock_);
    writeQueue_.SetLimit(static_cast<long long>(kOpenWriteQueueLimit));
    writer_ = std::move(writer);
  }
  {
    std::lock_guard<std::mutex> lock(readLock_);
    reader_ = std::move(reader);
  }
  bool started;
  {
    std::lock_guard<std::mutex> lock(writeLock_);
    started = writer_->Resume();
  }
  if (started) {
    std::lock_guard<std::mutex> lock(readLock_);
    started = reader_->Resume();
  }
  if (!started) StopWorkers();
  return started;
}

void ThreadedPort::StopWorkers() {
  std::unique_ptr<PortThread> reader;
  {
    std::lock_guard<std::mutex> lock(readLock_);
    reader = std::move(reader_);
  }
  StopWorker(std::move(reader));
  std::unique_ptr<PortThread> writer;
  {
    std::lock_guard<std::mutex> lock(writeLock_);
    writer = std::move(writer_);
  }
  StopWorker(std::move(writer));
}

void ThreadedPort::RequestWorkersStop() {
  {
    std::lock_guard<std::mutex> lock(readLock_);
    if (reader_) reader_->RequestStop();
  }
  std::lock_guard<std::mutex> lock(writeLock_);
  if (writer_) writer_->RequestStop();
}

void ThreadedPort::RepointWorkers(std::intptr_t link) {
  {
    std::lock_guard<std::mutex> lock(writeLock_);
    if (writer_) writer_->SetLink(link);
  }
  std::lock_guard<std::mutex> lock(readLock_);
  if (reader_) reader_->SetLink(link);
}

void ThreadedPort::StopWorker(std::unique_ptr<PortThread> worker) {
  if (!worker) return;
  worker->RequestStop();
  worker->Resume();
  worker->Join();
}

}  // namespace qx::port
