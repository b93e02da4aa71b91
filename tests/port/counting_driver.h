#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

#include "utility/port/qxusb_driver.h"

// Passes every call to another QXUSB driver and keeps what a test wants to know of how the port
// used it: the handles still open, calls that overlapped another on the same handle (the driver
// takes one call per handle at a time), and the bytes writes delivered.
namespace qx::port::testing {

class CountingDriver final : public qxusb::Driver {
 public:
  explicit CountingDriver(qxusb::Driver* inner) : inner_(inner) {}

  qxusb::DriverStatus Enumerate(std::uint32_t member, char* path, std::size_t size) override;
  qxusb::DriverStatus Open(const char* functionPath, qxusb::DriverHandle* handle) override;
  qxusb::DriverStatus Write(qxusb::DriverHandle handle, const void* data, std::uint32_t length,
                            std::uint32_t* written) override;
  qxusb::DriverStatus Read(qxusb::DriverHandle handle, void* buffer, std::uint32_t capacity,
                           std::uint32_t* got) override;
  bool Control(qxusb::DriverHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize,
               void* output, std::uint32_t outputSize, std::uint32_t* returned) override;
  void Close(qxusb::DriverHandle handle) override;

  int OpenHandles();
  int OverlappingCalls() const { return overlaps_.load(); }
  std::uint64_t WrittenBytes() const { return written_.load(); }

 private:
  // Marks a call on a handle for its duration.
  class Call {
   public:
    Call(CountingDriver* driver, qxusb::DriverHandle handle);
    ~Call();
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

   private:
    std::atomic<int>* busy_;
  };

  qxusb::Driver* inner_;
  std::mutex mutex_;
  struct HandleState {
    std::atomic<int> calls{0};
    bool open = true;
  };
  // Entries stay after Close, so a call racing a Close (itself an overlap) still finds its own.
  std::map<qxusb::DriverHandle, HandleState> handles_;
  std::atomic<int> overlaps_{0};
  std::atomic<std::uint64_t> written_{0};
};

}  // namespace qx::port::testing
