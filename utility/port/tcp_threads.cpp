#include "utility/port/tcp_threads.h"

#include "platform/stream_socket.h"
#include "utility/port/notifications.h"

namespace qx::port {

namespace {

// A receive waits this long at most, so a stop is seen promptly.
constexpr std::uint32_t kReceiveWaitMs = 20;

}  // namespace

TcpSendThread::TcpSendThread(ThreadedPort& port, std::intptr_t socket) : WriterThread(port, socket) {}

// The thread must end before this object goes: Run belongs to it.
TcpSendThread::~TcpSendThread() {
  RequestStop();
  Join();
}

std::uint32_t TcpSendThread::WriteToLink(const std::uint8_t* bytes, std::uint32_t len) {
  const int sent = platform::SendStream(Link(), bytes, len);
  return sent < 0 ? 0u : static_cast<std::uint32_t>(sent);
}

TcpReceiveThread::TcpReceiveThread(ThreadedPort& port, std::intptr_t socket, std::uint32_t connection)
    : ReaderThread(port, socket), connection_(connection) {}

TcpReceiveThread::~TcpReceiveThread() {
  RequestStop();
  Join();
}

std::uint32_t TcpReceiveThread::ReadFromLink(std::uint8_t* buffer, std::uint32_t capacity) {
  const int got = platform::ReceiveStream(Link(), buffer, capacity, kReceiveWaitMs);
  if (got > 0) return static_cast<std::uint32_t>(got);
  if (got == platform::kStreamEnded && !endReported_ && !StopRequested()) {
    endReported_ = true;
    PostTcpNotification(Link(), kTcpEventClose, connection_);
  }
  return 0;
}

}  // namespace qx::port
