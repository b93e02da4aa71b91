#include "utility/port/byte_queue.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qx::port {

ByteQueue::~ByteQueue() { Clear(); }

std::size_t ByteQueue::Push(std::uint32_t tag, const void* bytes, std::size_t n) {
  if (n == 0 || bytes == nullptr) return 0;
  if (limit_ != 0 && total_ >= limit_) return 0;
  Node* node = new (std::nothrow) Node;
  if (node == nullptr) return 0;
  node->bytes.reset(new (std::nothrow) std::uint8_t[n]);
  if (!node->bytes) {
    delete node;
    return 0;
  }
  std::memcpy(node->bytes.get(), bytes, n);
  node->tag = tag;
  node->length = n;
  if (tail_ != nullptr) {
    tail_->next = node;
  } else {
    head_ = node;
  }
  tail_ = node;
  total_ += n;
  ++count_;
  return n;
}

std::size_t ByteQueue::Pop(void* buffer, std::size_t n) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t taken = 0;
  while (taken < n && head_ != nullptr) {
    Node* node = head_;
    std::size_t run = std::min(n - taken, node->length - node->consumed);
    std::memcpy(out + taken, node->bytes.get() + node->consumed, run);
    node->consumed += run;
    taken += run;
    if (node->consumed == node->length) {
      head_ = node->next;
      if (head_ == nullptr) tail_ = nullptr;
      --count_;
      delete node;
    }
  }
  total_ -= taken;
  lastPop_ = taken;
  return taken;
}

void ByteQueue::Clear() {
  while (head_ != nullptr) {
    Node* next = head_->next;
    delete head_;
    head_ = next;
  }
  tail_ = nullptr;
  total_ = 0;
  count_ = 0;
  lastPop_ = 0;
}

int ByteQueue::SetLimit(long long limit) {
  if (limit < 0) return 0;
  limit_ = static_cast<std::size_t>(limit);
  return 1;
}

}  // namespace qx::port
