#include "utility/port/ethernet_endpoints.h"

#include <atomic>
#include <mutex>

namespace qx::port {

namespace {

std::mutex endpointsLock;
EthernetEndpoints endpoints;
std::atomic<EthernetSendGuard> sendGuard{nullptr};

}  // namespace

EthernetEndpoints GetEthernetEndpoints() {
  std::lock_guard<std::mutex> lock(endpointsLock);
  return endpoints;
}

void SetEthernetEndpoints(const EthernetEndpoints& value) {
  std::lock_guard<std::mutex> lock(endpointsLock);
  endpoints = value;
}

void SetEthernetSendGuard(EthernetSendGuard guard) { sendGuard.store(guard); }

bool EthernetSendAllowed(EthernetTraffic traffic, const platform::Ipv4Endpoint& to) {
  EthernetSendGuard guard = sendGuard.load();
  return guard == nullptr || guard(traffic, to);
}

}  // namespace qx::port
