#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/loopback_socket.h"

// The library's connection to the virtual scanner (qxr7000-sim, found through QXR7000_SIM), in the
// QXUSB link's frames with the scanner API ops.
namespace qx::norvascan {

class SimLink {
 public:
  SimLink() = default;
  ~SimLink() { Close(); }
  SimLink(const SimLink&) = delete;
  SimLink& operator=(const SimLink&) = delete;

  // Connects to the simulator named by QXR7000_SIM; false when there is none.
  bool Connect();
  bool connected() const { return socket_ != platform::kInvalidSocket; }
  // One request; false when the link broke (the connection is then closed).
  bool Transact(std::uint8_t op, const void* payload, std::uint32_t size, std::uint32_t waitMs, std::uint8_t* status,
                std::vector<std::uint8_t>* answer);
  // An op answered "0 + i32 result + data": the result (ERR_NO_PRINTER when the link broke).
  std::int32_t Call(std::uint8_t op, const void* payload, std::uint32_t size, std::vector<std::uint8_t>* data,
                    std::uint32_t waitMs = 10000);
  void Close();

 private:
  platform::SocketHandle socket_ = platform::kInvalidSocket;
};

}  // namespace qx::norvascan
