#include "sim/request_log.h"

#include <cstdio>

namespace qx::sim {

void RequestLog::Add(std::string line) {
  if (lines_.size() == kLimit) {
    lines_.pop_front();
    ++dropped_;
  }
  lines_.push_back(std::move(line));
}

void RequestLog::Clear() {
  lines_.clear();
  dropped_ = 0;
}

std::string HexText(const std::uint8_t* data, std::size_t size, std::size_t limit) {
  std::string text;
  char buf[4];
  std::size_t shown = size < limit ? size : limit;
  for (std::size_t i = 0; i < shown; ++i) {
    std::snprintf(buf, sizeof buf, "%02X", data[i]);
    text += buf;
  }
  if (shown < size) {
    text += '+';
    text += std::to_string(size - shown);
  }
  return text;
}

}  // namespace qx::sim
