// TCP throughput through the threaded Ethernet port into a loopback Ethernet unit that only
// counts what arrives; compare with LoopbackSocketCopy (a plain loopback socket) of the same run.
#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

#include "sim/ethernet_unit.h"
#include "utility/port/ethernet_endpoints.h"
#include "utility/port/port_api.h"

namespace qx::port {
namespace {

constexpr std::uint64_t kEthernetStreamBytes = 64u << 20;
constexpr int kEthernetPiece = 65536;

bool LoopbackOnly(EthernetTraffic, const platform::Ipv4Endpoint& to) { return platform::IsLoopbackIpv4(to.address); }

void EthernetPortIntoUnit(benchmark::State& state) {
  SetEthernetSendGuard(&LoopbackOnly);
  sim::EthernetUnitProfile profile;
  profile.echo = false;
  sim::EthernetUnit unit;
  if (!unit.Start(profile)) {
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
  PortSetWriteChunk(ethernet, kEthernetPiece);
  std::vector<std::uint8_t> piece(kEthernetPiece, 0xA5);
  for (auto _ : state) {
    const std::uint64_t start = unit.TcpBytes();
    std::uint64_t sent = 0;
    while (sent < kEthernetStreamBytes) {
      if (PortWrite(ethernet, 0, piece.data(), kEthernetPiece, nullptr) == 1) {
        sent += kEthernetPiece;
      } else {
        std::this_thread::yield();
      }
    }
    while (unit.TcpBytes() - start < kEthernetStreamBytes) std::this_thread::yield();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kEthernetStreamBytes));
  PortShutdown();
  SetEthernetSendGuard(nullptr);
}
BENCHMARK(EthernetPortIntoUnit)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qx::port
