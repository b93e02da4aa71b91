#include "sim/bus.h"

namespace qx::sim {

void Bus::SetProfile(const Profile& profile) {
  profile_ = profile;
  devices_.clear();
  for (std::size_t i = 0; i < profile_.devices.size(); ++i) {
    devices_.push_back(std::make_unique<SimDevice>(static_cast<int>(i), profile_.devices[i], profile_.driver));
  }
  log_.Add("profile " + (profile_.name.empty() ? std::string("(unnamed)") : profile_.name) + " with " +
           std::to_string(devices_.size()) + " device(s)");
}

int Bus::DeviceAtMember(std::uint32_t member) const {
  std::uint32_t seen = 0;
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    const SimDevice& d = *devices_[i];
    if (d.profile().presence == Presence::kAbsent || d.removed()) continue;
    if (seen++ == member) return static_cast<int>(i);
  }
  return -1;
}

bool Bus::Enumerate(std::uint32_t member, std::string* path) const {
  int index = DeviceAtMember(member);
  if (index < 0) return false;
  *path = devices_[static_cast<std::size_t>(index)]->profile().path;
  return true;
}

LinkStatus Bus::Open(std::uint32_t member, char function, int* device) {
  int index = DeviceAtMember(member);
  LinkStatus status = LinkStatus::kOk;
  if (index < 0 || (function != 'Q' && function != 'K')) {
    status = LinkStatus::kNotFound;
  } else {
    const DeviceProfile& p = devices_[static_cast<std::size_t>(index)]->profile();
    if (p.presence == Presence::kBusy) status = LinkStatus::kBusy;
    else if (function == 'K' && !p.displayFunction) status = LinkStatus::kNotFound;
  }
  static constexpr const char* kNames[] = {"ok", "failed", "no-more-items", "busy", "not-found", "sem-timeout"};
  log_.Add("open member " + std::to_string(member) + " " + (function == 'K' ? "KD" : "QX") + " -> " +
           kNames[static_cast<int>(status)]);
  if (status == LinkStatus::kOk) *device = index;
  return status;
}

SimDevice* Bus::Device(int index) {
  if (index < 0 || index >= DeviceCount()) return nullptr;
  return devices_[static_cast<std::size_t>(index)].get();
}

bool Bus::AddFault(const FaultSpec& fault, int device, std::string* error) {
  if (device >= DeviceCount()) {
    *error = "no device " + std::to_string(device);
    return false;
  }
  for (int i = 0; i < DeviceCount(); ++i) {
    if (device < 0 || device == i) devices_[static_cast<std::size_t>(i)]->AddFault(fault);
  }
  log_.Add("fault " + FaultText(fault) + (device < 0 ? "" : " device " + std::to_string(device)));
  return true;
}

void Bus::ClearFaults() {
  for (auto& d : devices_) d->ClearFaults();
  log_.Add("faults cleared");
}

}  // namespace qx::sim
