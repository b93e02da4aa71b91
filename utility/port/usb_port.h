#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "utility/port/qxusb_driver.h"
#include "utility/port/threaded_port.h"

namespace qx::port {

// Port type 2: the scanner through the QXUSB driver (PortDriver()). Opens the scanner function
// "\QX", the display function "\KD" or both below the n-th device interface; one of them is the
// active handle all port I/O uses.
//
// Every driver call the port makes goes through one gate per port, because the driver takes one
// call per handle at a time (as a handle opened for synchronous I/O does on Windows); the gate is
// held only for the call itself, and a call goes to the driver only while its handle is still
// the port's. Open, Close, SetConfig and the removal check are serialised among themselves, so a
// removal check on the notification thread and the application's own Open or Close cannot
// interleave.
class UsbPort final : public ThreadedPort {
 public:
  explicit UsbPort(int index);
  ~UsbPort() override;

  int Open() override;
  int Write(int tag, const void* data, int length, int* written) override;
  int Read(void* buffer, int length, int* read) override;
  int Close() override;
  int DeviceCheck() override;
  int GetInfo(void* record) override;
  int IsOpen() override;
  int IsReady() override;
  std::int32_t GetHandle() override;
  int SetConfig(const PortSettings& settings) override;
  void SetDirectMode(int flag) override;
  int SetFlowOverride(int flag) override;

  int DriverControl(std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                    std::uint32_t outputSize, std::uint32_t* returned) override;

  // After the system reports a removed device: an open port asks its active handle for its status
  // and closes when the request fails.
  void CheckRemoval();

  // Gated driver calls on one of this port's handles, for the port and its workers; a handle
  // that is no longer one of the port's (closed, or being closed) fails without a driver call.
  bool Control(qxusb::DriverHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize,
               void* output, std::uint32_t outputSize, std::uint32_t* returned);
  qxusb::DriverStatus WriteLink(qxusb::DriverHandle handle, const void* data, std::uint32_t length,
                                std::uint32_t* written);
  qxusb::DriverStatus ReadLink(qxusb::DriverHandle handle, void* buffer, std::uint32_t capacity,
                               std::uint32_t* got);
  // The count the driver wrote before a write ended by its time-out, at most `asked`.
  std::uint32_t WrittenAfterTimeout(qxusb::DriverHandle handle, std::uint32_t asked);

 private:
  static constexpr std::size_t kTimeoutWords = 8;

  int OpenLocked();
  int CloseLocked(bool* closed);
  bool IsCurrent(qxusb::DriverHandle handle) const;
  bool SendTimeouts(qxusb::DriverHandle handle);
  void ReleaseHandles();
  int WriteDirect(int tag, const std::uint8_t* data, int length, int* written);
  qxusb::Driver& LinkDriver();

  std::atomic<qxusb::Driver*> driver_{nullptr};
  std::mutex gate_;
  std::mutex lifecycle_;

  // Guarded by lifecycle_.
  std::uint32_t deviceIndex_ = 0;
  int useDisplay_ = 0;
  int selector_ = 0;  // 0 both functions, 1 scanner only, 2 display only
  std::uint32_t timeouts_[kTimeoutWords] = {5, 50, 5, 2000, 0, 0, 0, 0};

  std::atomic<qxusb::DriverHandle> active_{qxusb::kInvalidDriverHandle};
  std::atomic<qxusb::DriverHandle> scanner_{qxusb::kInvalidDriverHandle};
  std::atomic<qxusb::DriverHandle> display_{qxusb::kInvalidDriverHandle};
  std::atomic<int> direct_{0};
};

}  // namespace qx::port
