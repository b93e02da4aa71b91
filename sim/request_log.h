#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// What the simulated devices received and answered, one line per event, oldest first. Bounded:
// past the limit the oldest lines go and are counted.
namespace qx::sim {

class RequestLog {
 public:
  static constexpr std::size_t kLimit = 20000;

  void Add(std::string line);
  std::vector<std::string> Lines() const { return {lines_.begin(), lines_.end()}; }
  std::size_t dropped() const { return dropped_; }
  void Clear();

 private:
  std::deque<std::string> lines_;
  std::size_t dropped_ = 0;
};

// Upper-case hexadecimal of up to `limit` bytes, with "+N" for what was left out.
std::string HexText(const std::uint8_t* data, std::size_t size, std::size_t limit = 96);

}  // namespace qx::sim
