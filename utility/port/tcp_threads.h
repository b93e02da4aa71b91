#pragma once

#include <atomic>
#include <cstdint>

#include "utility/port/worker_loops.h"

namespace qx::port {

// The Ethernet writer: each chunk goes to the TCP socket in one send; a socket error counts 0
// and there is no pause after a short send.
class TcpSendThread final : public WriterThread {
 public:
  TcpSendThread(ThreadedPort& port, std::intptr_t socket);
  ~TcpSendThread() override;

 private:
  std::uint32_t WriteToLink(const std::uint8_t* bytes, std::uint32_t len) override;
  bool PausesAfterShortWrite() const override { return false; }
};

// The Ethernet reader: one receive of up to the read chunk per pass. When the unit ends the
// connection it posts the "closed" notice for its socket once, so the port is closed by the
// library's notification receiver as a WinSock FD_CLOSE would have it.
class TcpReceiveThread final : public ReaderThread {
 public:
  // connection: the port's serial number of this connection, carried by the "closed" notice.
  TcpReceiveThread(ThreadedPort& port, std::intptr_t socket, std::uint32_t connection);
  ~TcpReceiveThread() override;

 private:
  std::uint32_t ReadFromLink(std::uint8_t* buffer, std::uint32_t capacity) override;

  const std::uint32_t connection_;
  bool endReported_ = false;
};

}  // namespace qx::port
