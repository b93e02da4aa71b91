#include "standins/norvascan/sim_link.h"

#include <windows.h>

#include "utility/port/qxusb_link_client.h"

namespace qx::norvascan {
namespace {

// A DIB of a face is about 170 KB; nothing the scanner sends comes near this.
constexpr std::uint32_t kMaxAnswer = 8u << 20;
constexpr std::int32_t kErrNoPrinter = -30;

}  // namespace

bool SimLink::Connect() {
  Close();
  char text[64] = {};
  DWORD length = GetEnvironmentVariableA("QXR7000_SIM", text, sizeof text);
  platform::LoopbackAddress address;
  if (length == 0 || length >= sizeof text || !platform::ParseLoopbackAddress(text, &address)) return false;
  if (!platform::SocketsStartup()) return false;
  socket_ = platform::ConnectLoopback(address);
  return connected();
}

bool SimLink::Transact(std::uint8_t op, const void* payload, std::uint32_t size, std::uint32_t waitMs,
                       std::uint8_t* status, std::vector<std::uint8_t>* answer) {
  if (!connected()) return false;
  qxusb::LinkResponse response;
  if (!qxusb::LinkTransact(socket_, op, payload, size, nullptr, 0, kMaxAnswer, waitMs, &response)) {
    Close();
    return false;
  }
  *status = response.status;
  *answer = std::move(response.payload);
  return true;
}

std::int32_t SimLink::Call(std::uint8_t op, const void* payload, std::uint32_t size, std::vector<std::uint8_t>* data,
                           std::uint32_t waitMs) {
  std::uint8_t status = 0;
  std::vector<std::uint8_t> answer;
  if (!Transact(op, payload, size, waitMs, &status, &answer) || status != qxusb::kLinkOk || answer.size() < 4) {
    return kErrNoPrinter;
  }
  if (data != nullptr) data->assign(answer.begin() + 4, answer.end());
  return static_cast<std::int32_t>(qxusb::GetU32(answer.data()));
}

void SimLink::Close() {
  if (socket_ == platform::kInvalidSocket) return;
  qxusb::LinkResponse ignored;
  qxusb::LinkTransact(socket_, 'X', nullptr, 0, nullptr, 0, 0, 2000, &ignored);
  platform::CloseSocket(socket_);
  socket_ = platform::kInvalidSocket;
}

}  // namespace qx::norvascan
