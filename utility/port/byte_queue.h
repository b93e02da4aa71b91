#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qx::port {

// A FIFO of byte runs. Each Push keeps an owned copy of the caller's bytes in one node; Pop hands
// them out in order across node boundaries. Not locked: the port's write or read lock guards it.
class ByteQueue {
 public:
  ByteQueue() = default;
  ~ByteQueue();
  ByteQueue(const ByteQueue&) = delete;
  ByteQueue& operator=(const ByteQueue&) = delete;

  // Appends a copy of n bytes and returns n; returns 0 and queues nothing when n is 0, when the
  // copy cannot be allocated, or when a limit is set and the total already reaches it. The limit
  // is tested before adding, so one push may take the total past it.
  std::size_t Push(std::uint32_t tag, const void* bytes, std::size_t n);

  // Copies up to n bytes from the head into buffer, freeing the nodes it empties; a node taken in
  // part keeps its remainder at the head. Records and returns the count.
  std::size_t Pop(void* buffer, std::size_t n);

  void Clear();

  // A negative limit is refused (0); otherwise it is stored (0 = no limit) and 1 returned.
  int SetLimit(long long limit);

  std::size_t Total() const { return total_; }
  std::size_t Count() const { return count_; }
  std::size_t Limit() const { return limit_; }
  std::size_t LastPopCount() const { return lastPop_; }
  void SetLastPopCount(std::size_t n) { lastPop_ = n; }

 private:
  struct Node {
    std::uint32_t tag = 0;
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t length = 0;
    std::size_t consumed = 0;
    Node* next = nullptr;
  };

  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  std::size_t total_ = 0;
  std::size_t count_ = 0;
  std::size_t limit_ = 0;
  std::size_t lastPop_ = 0;
};

}  // namespace qx::port
