#include "utility/nodes/driver_requests.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace qx {

namespace {

std::atomic<DriverControlRoute> g_route{nullptr};
std::atomic<PortReadyCheck> g_readyCheck{nullptr};

}  // namespace

void SetDriverControlRoute(DriverControlRoute route) { g_route.store(route); }

void SetPortReadyCheck(PortReadyCheck check) { g_readyCheck.store(check); }

int IsPortReady(int portIndex) {
  PortReadyCheck check = g_readyCheck.load();
  return check != nullptr && check(portIndex) == 1 ? 1 : 0;
}

int QueryDriver(int portIndex, std::uint32_t code, void* out, std::uint32_t outSize, std::uint32_t* returned) {
  if (returned != nullptr) *returned = 0;
  DriverControlRoute route = g_route.load();
  std::uint32_t given = 0;
  if (route == nullptr || route(portIndex, code, nullptr, 0, out, outSize, &given) != 1) return 0;
  // A count above the buffer would send later reads past what was written.
  if (returned != nullptr) *returned = given < outSize ? given : outSize;
  return 1;
}

int ReadConfigurationSet(int portIndex, std::uint32_t code, std::uint32_t offset, void* out, std::uint32_t size) {
  std::uint8_t header[kConfigurationHeaderSize] = {};
  std::uint32_t headerGiven = 0;
  if (!QueryDriver(portIndex, code, header, sizeof header, &headerGiven)) return 0;
  // wTotalLength counts only when the driver gave both of its bytes.
  std::uint32_t total = headerGiven >= 4 ? static_cast<std::uint32_t>(header[2] | (header[3] << 8)) : 0;

  std::vector<std::uint8_t> set(total, 0);
  std::uint32_t given = 0;
  QueryDriver(portIndex, code, set.data(), total, &given);

  auto* target = static_cast<std::uint8_t*>(out);
  std::memset(target, 0, size);
  if (offset < given) {
    std::uint32_t available = given - offset;
    std::memcpy(target, set.data() + offset, available < size ? available : size);
  }
  return 1;
}

}  // namespace qx
