#include "utility/port/udp_reply_parser.h"

namespace qx::port {

namespace {

constexpr char kMagic[] = "NORVA";

}  // namespace

bool UdpReplyParser::Feed(std::uint8_t byte) {
  switch (state_) {
    case 0:
      reply_ = UdpReply{};
      if (byte == static_cast<std::uint8_t>(kMagic[0])) state_ = 1;
      return false;
    case 1:
    case 2:
    case 3:
    case 4:
      if (byte != static_cast<std::uint8_t>(kMagic[state_])) {
        state_ = 0;
      } else {
        state_ = state_ == 4 ? 10 : state_ + 1;
      }
      return false;
    case 10: {
      const int kind = ReplyKindCode(byte);
      if (kind < 0) {
        state_ = 0;
        return false;
      }
      reply_.kind = kind;
      state_ = 20;
      return false;
    }
    case 20:
      if (byte > 3) {
        state_ = 0;
        return false;
      }
      reply_.deviceClass = byte;
      state_ = 30;
      return false;
    case 30:
      reply_.deviceNumber = byte;
      state_ = 40;
      return false;
    case 40:
      reply_.function = byte << 8;
      state_ = 41;
      return false;
    case 41:
      reply_.function |= byte;
      state_ = 50;
      return false;
    case 50:
      reply_.result = byte << 8;
      state_ = 51;
      return false;
    case 51:
      reply_.result |= byte;
      state_ = 60;
      return false;
    case 60:
      reply_.length = byte << 8;
      state_ = 61;
      return false;
    case 61:
      reply_.length |= byte;
      if (reply_.length == 0) {
        state_ = 0;
        return true;
      }
      expected_ = reply_.length;
      state_ = 70;
      return false;
    case 70: {
      const int position = reply_.length - expected_;
      if (position >= 0 && position < static_cast<int>(kUdpMaxParameters)) reply_.parameters[position] = byte;
      if (--expected_ > 0) return false;
      state_ = 0;
      return true;
    }
    default:
      state_ = 0;
      return false;
  }
}

}  // namespace qx::port
