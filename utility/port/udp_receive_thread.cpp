#include "utility/port/udp_receive_thread.h"

#include "platform/clock.h"
#include "platform/datagram_socket.h"
#include "utility/port/udp_control.h"

namespace qx::port {

namespace {

constexpr std::size_t kDatagramSize = 512;
// The receive waits this long at most, so a stop is seen promptly without closing the socket
// under the thread.
constexpr std::uint32_t kReceiveWaitMs = 20;

}  // namespace

UdpReceiveThread::UdpReceiveThread(ThreadedPort& owner, UdpControl& control, std::intptr_t socket)
    : PortThread(owner, socket), control_(control) {}

UdpReceiveThread::~UdpReceiveThread() {
  RequestStop();
  Join();
}

void UdpReceiveThread::Run() {
  std::uint8_t datagram[kDatagramSize];
  while (!StopRequested()) {
    platform::Ipv4Endpoint from;
    const int count = platform::ReceiveDatagram(Link(), datagram, sizeof datagram, &from, kReceiveWaitMs);
    if (count < 1) {
      platform::SleepMilliseconds(1);
      continue;
    }
    for (int i = 0; i < count; ++i) {
      if (parser_.Feed(datagram[i])) control_.Deliver(parser_.Last(), from);
    }
  }
}

}  // namespace qx::port
