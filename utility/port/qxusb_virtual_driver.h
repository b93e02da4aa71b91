#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/loopback_socket.h"
#include "utility/port/qxusb_driver.h"

namespace qx::qxusb {

// The QXUSB driver played by qxr7000-sim over the QXUSB link on loopback: one TCP connection
// per opened function handle, a short one of its own for each enumeration.
//
// Read has no time-out of its own: like the real driver it waits what the handle's timeout block
// allows, read multiplier x capacity + read constant (ms). The block is the one the caller last
// set with kSetTimeouts on that handle (the driver's defaults 5 and 50 until then) and is sent
// with every 'R' request.
//
// Open takes a function path "<device path>\QX" or "<device path>\KD" and finds the member index
// again by enumerating until the device path matches.
//
// A link that breaks (connection lost, an answer that does not arrive or does not fit) is dead:
// every later call on its handle fails as on a removed device.
class VirtualDriver final : public Driver {
 public:
  explicit VirtualDriver(const platform::LoopbackAddress& simulator);
  ~VirtualDriver() override;

  DriverStatus Enumerate(std::uint32_t member, char* path, std::size_t size) override;
  DriverStatus Open(const char* functionPath, DriverHandle* handle) override;
  DriverStatus Write(DriverHandle handle, const void* data, std::uint32_t length, std::uint32_t* written) override;
  DriverStatus Read(DriverHandle handle, void* buffer, std::uint32_t capacity, std::uint32_t* got) override;
  bool Control(DriverHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
               std::uint32_t outputSize, std::uint32_t* returned) override;
  void Close(DriverHandle handle) override;

  // Largest write or read one request carries.
  static constexpr std::uint32_t kMaxTransfer = 1u << 20;

 private:
  struct Link;
  std::shared_ptr<Link> Find(DriverHandle handle);
  int FindMember(const char* devicePath, std::size_t length);

  platform::LoopbackAddress simulator_;
  std::mutex mutex_;
  std::map<DriverHandle, std::shared_ptr<Link>> links_;
  DriverHandle next_ = 1;
};

// The virtual driver when QXR7000_SIM holds a loopback address "127.0.0.1:PORT"; null when the
// variable is unset, empty, or names any other host (nothing is ever sent off this machine).
std::unique_ptr<Driver> DriverFromSimulatorVariable();

}  // namespace qx::qxusb
