#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sim/fault.h"
#include "sim/link_frame.h"
#include "sim/profile.h"
#include "sim/request_log.h"
#include "sim/sim_device.h"

// The simulated USB bus: the devices of the current profile, numbered by the order in which the
// driver enumerates them (absent and removed devices are skipped), and the request log.
namespace qx::sim {

class Bus {
 public:
  Bus() = default;
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;

  // Replaces every device with those of `profile`; handles stay bound to the device position.
  void SetProfile(const Profile& profile);
  const Profile& profile() const { return profile_; }

  bool Enumerate(std::uint32_t member, std::string* path) const;
  // Opens function 'Q' or 'K' of the member-th device: kOk with *device set, kBusy, kNotFound.
  LinkStatus Open(std::uint32_t member, char function, int* device);
  SimDevice* Device(int index);
  int DeviceCount() const { return static_cast<int>(devices_.size()); }

  // Adds a fault to one device (by position) or, with device -1, to all.
  bool AddFault(const FaultSpec& fault, int device, std::string* error);
  void ClearFaults();

  RequestLog& log() { return log_; }

 private:
  int DeviceAtMember(std::uint32_t member) const;

  Profile profile_;
  std::vector<std::unique_ptr<SimDevice>> devices_;
  RequestLog log_;
};

// The bus as the link server's threads share it: every access holds `mutex`; `changed` wakes
// readers waiting for reply bytes (new bytes, a removal, a profile change).
struct SimState {
  std::mutex mutex;
  std::condition_variable changed;
  Bus bus;
  bool stopping = false;  // the server is shutting down: waiting reads give up
};

}  // namespace qx::sim
