// TCP throughput through the threaded Ethernet port into a loopback Ethernet unit that only
// counts what arrives, beside the same stream sent by a plain blocking socket into a unit of its
// own: same direction, same receiving loop, both over loopback, the plain socket sending as many
// bytes per call as the port's writer does (its write chunk). The port is given 64 KiB pieces and
// runs with the largest write chunk and with the default one, its caller either waiting for the
// progress notice or polling when the write queue is full; the ratios are printed after the table.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/datagram_socket.h"
#include "platform/stream_socket.h"
#include "sim/ethernet_unit.h"
#include "utility/port/ethernet_endpoints.h"
#include "utility/port/port_api.h"

namespace qx::port {
namespace {

constexpr std::uint64_t kEthernetStreamBytes = 64u << 20;
constexpr int kEthernetPiece = 65536;

bool LoopbackOnly(EthernetTraffic, const platform::Ipv4Endpoint& to) { return platform::IsLoopbackIpv4(to.address); }

sim::EthernetUnitProfile SinkProfile() {
  sim::EthernetUnitProfile profile;
  profile.echo = false;
  return profile;
}

// A streaming caller that finds the write queue full waits for the writer's progress notice
// that frees room, as a blocking socket's sender waits in send, rather than spinning beside the
// port's own threads for the two cores.
class QueueRoom {
 public:
  void Arm(int index, std::size_t limit) {
    index_ = index;
    limit_ = limit;
  }

  // Writes the piece, waiting for room as long as the queue refuses it; a polling caller only
  // yields between tries.
  void Write(const std::vector<std::uint8_t>& piece, bool polling) {
    const int length = static_cast<int>(piece.size());
    if (polling) {
      while (PortWrite(index_, 0, piece.data(), length, nullptr) != 1) std::this_thread::yield();
      return;
    }
    for (;;) {
      waiting_.store(true);
      if (PortWrite(index_, 0, piece.data(), length, nullptr) == 1) break;
      std::unique_lock<std::mutex> lock(lock_);
      room_.wait_for(lock, std::chrono::milliseconds(10), [this] { return freed_; });
      freed_ = false;
    }
    waiting_.store(false);
  }

  // On the writer thread after each link call: a finished batch of count bytes leaves
  // pending - count queued, and the queue takes a write again below its limit.
  static void OnWriteProgress(int index, int, int count, int complete) {
    QueueRoom& room = Instance();
    if (complete == 0 || !room.waiting_.load()) return;
    const int pending = PortGetPendingWrite(index);
    if (pending < 0 || static_cast<std::size_t>(pending - std::min(pending, count)) >= room.limit_) return;
    {
      std::lock_guard<std::mutex> lock(room.lock_);
      room.freed_ = true;
    }
    room.room_.notify_one();
  }

  static QueueRoom& Instance() {
    static QueueRoom room;
    return room;
  }

 private:
  int index_ = -1;
  std::size_t limit_ = 0;
  std::atomic<bool> waiting_{false};
  std::mutex lock_;
  std::condition_variable room_;
  bool freed_ = false;
};

// Waits until the unit has counted everything sent since start.
void AwaitUnit(const sim::EthernetUnit& unit, std::uint64_t start) {
  while (unit.TcpBytes() - start < kEthernetStreamBytes) std::this_thread::yield();
}

// range(0): the port's write chunk; range(1): 1 for a caller that polls a full queue, 0 for one
// that waits for the progress notice.
void EthernetPortIntoUnit(benchmark::State& state) {
  SetEthernetSendGuard(&LoopbackOnly);
  sim::EthernetUnit unit;
  if (!unit.Start(SinkProfile())) {
    state.SkipWithError("no loopback Ethernet unit");
    return;
  }
  EthernetEndpoints endpoints;
  endpoints.udpPort = unit.UdpPort();
  endpoints.tcpPort = unit.TcpPort();
  endpoints.broadcast[0] = 127;
  SetEthernetEndpoints(endpoints);

  PortInitialize(nullptr);
  const int ethernet = PortCreate(kPortTypeEthernet);
  PortSettings settings{};
  settings.ipAddress[0] = 127;
  settings.ipAddress[3] = 2;
  PortSetConfig(ethernet, &settings);
  if (PortOpen(ethernet) != 1) {
    state.SkipWithError("the Ethernet port did not open");
    PortShutdown();
    return;
  }
  const int chunk = static_cast<int>(state.range(0));
  const bool polling = state.range(1) != 0;
  PortSetWriteChunk(ethernet, chunk);
  // The write queue's limit for this chunk: twice the chunk, 4096 at least.
  QueueRoom& room = QueueRoom::Instance();
  room.Arm(ethernet, std::max<std::size_t>(4096, 2u * static_cast<std::size_t>(chunk)));
  PortCallbacks callbacks{};
  callbacks.onWriteProgress = &QueueRoom::OnWriteProgress;
  PortSetCallbacks(ethernet, &callbacks);
  std::vector<std::uint8_t> piece(kEthernetPiece, 0xA5);
  for (auto _ : state) {
    const std::uint64_t start = unit.TcpBytes();
    for (std::uint64_t sent = 0; sent < kEthernetStreamBytes; sent += kEthernetPiece) room.Write(piece, polling);
    AwaitUnit(unit, start);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kEthernetStreamBytes));
  PortShutdown();
  SetEthernetSendGuard(nullptr);
}
BENCHMARK(EthernetPortIntoUnit)
    ->ArgNames({"chunk", "polling"})
    ->Args({65536, 0})
    ->Args({65536, 1})
    ->Args({1024, 0})
    ->Args({1024, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline: one blocking socket, sent to from this thread; range(0): the bytes per send, the
// port's write chunk being the bytes per send of its writer.
void PlainSocketIntoUnit(benchmark::State& state) {
  sim::EthernetUnit unit;
  if (!unit.Start(SinkProfile())) {
    state.SkipWithError("no loopback Ethernet unit");
    return;
  }
  platform::Ipv4Endpoint to;
  to.address[0] = 127;
  to.address[3] = 2;
  to.port = unit.TcpPort();
  const platform::SocketHandle socket = platform::OpenStreamSocket();
  if (socket == platform::kInvalidSocket || platform::ConnectStream(socket, to) != platform::ConnectResult::kOk) {
    platform::CloseSocket(socket);
    state.SkipWithError("no loopback connection to the unit");
    return;
  }
  const auto send = static_cast<std::size_t>(state.range(0));
  std::vector<std::uint8_t> piece(send, 0xA5);
  for (auto _ : state) {
    const std::uint64_t start = unit.TcpBytes();
    std::uint64_t sent = 0;
    while (sent < kEthernetStreamBytes) {
      const int n = platform::SendStream(socket, piece.data(), send);
      if (n < 0) {
        state.SkipWithError("the plain socket failed");
        break;
      }
      sent += static_cast<std::uint64_t>(n);
    }
    AwaitUnit(unit, start);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kEthernetStreamBytes));
  platform::ShutdownSocket(socket);
  platform::CloseSocket(socket);
}
BENCHMARK(PlainSocketIntoUnit)->ArgName("send")->Arg(65536)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qx::port
