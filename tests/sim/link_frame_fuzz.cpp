// Fuzzes the simulator's link-frame decoder and the session that answers the frames: any byte
// stream must decode into frames, a wait for more, or a malformed verdict, and every frame must
// get an answer without reading or writing out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sim/bus.h"
#include "sim/link_frame.h"
#include "sim/link_session.h"

namespace {

qx::sim::Profile FuzzProfile() {
  qx::sim::Profile p;
  qx::sim::DeviceProfile scanner;
  scanner.path = "\\\\?\\usb#fuzz";
  scanner.scanner.calibration.assign(qx::sim::kCalibrationMemorySize, 0x5A);
  scanner.scanner.errorHistory = "E101:PAPER JAM,E203:DBL FEED,";
  p.devices.push_back(scanner);
  qx::sim::DeviceProfile busy = scanner;
  busy.presence = qx::sim::Presence::kBusy;
  p.devices.push_back(busy);
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const qx::sim::Profile profile = FuzzProfile();
  qx::sim::SimState state;
  state.bus.SetProfile(profile);
  qx::sim::LinkSession session(&state, 0);
  std::size_t used = 0;
  while (used < size) {
    qx::sim::LinkFrame frame;
    std::size_t consumed = 0;
    qx::sim::FrameStatus status = qx::sim::DecodeFrame(data + used, size - used, &frame, &consumed);
    if (status != qx::sim::FrameStatus::kFrame) break;
    if (consumed < qx::sim::kFrameHeaderSize || consumed > size - used) std::abort();
    used += consumed;
    std::vector<std::uint8_t> response;
    qx::sim::LinkSession::After after = session.Handle(frame, &response);
    if (!response.empty() && response.size() < qx::sim::kFrameHeaderSize) std::abort();
    if (after == qx::sim::LinkSession::After::kClose) break;
  }
  session.Closed();
  return 0;
}
