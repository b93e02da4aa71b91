#pragma once

#include <cstddef>
#include <cstdint>

// The Ethernet unit's UDP control protocol: a 14-byte header ("NORVA", kind letter, device class,
// device number, function, result, parameter length; numbers big-endian) and up to 512
// parameter bytes kept per reply.
namespace qx::port {

inline constexpr std::size_t kUdpHeaderSize = 14;
inline constexpr std::size_t kUdpMaxParameters = 512;
inline constexpr std::size_t kUdpMaxRequestSize = 15;

// Reply kind codes, as the parser stores them.
inline constexpr int kReplyKindSearch = 0;   // 'p'
inline constexpr int kReplyKindI = 1;        // 'i'
inline constexpr int kReplyKindQuery = 2;    // 'q'
inline constexpr int kReplyKindS = 3;        // 's'
inline constexpr int kReplyKindControl = 4;  // 'c'
inline constexpr int kReplyKindN = 5;        // 'n'

// The kind code of a reply letter, -1 for any other byte.
int ReplyKindCode(std::uint8_t letter);

// The requests the port sends; each but the search has its reply slot (1..6).
enum class UdpRequest {
  kUnitIdentity,     // slot 6
  kInterfaceStatus,  // slot 1
  kDeviceStatus,     // slot 2
  kDeviceCheck,      // slot 3
  kFlowOverrideOn,   // slot 4
  kFlowOverrideOff,  // slot 4
  kReadyQuery,       // slot 5
  kNetworkSearch,    // no slot
};

// Writes the request's bytes into out (kUdpMaxRequestSize bytes) and returns their count.
std::size_t BuildUdpRequest(UdpRequest request, std::uint8_t* out);
// The reply slot a request waits on, 0 for the search.
int ReplySlotOf(UdpRequest request);
// The slot a complete reply belongs to (1..6), 0 when it matches no row.
int ReplySlotFor(int kind, int deviceClass, int deviceNumber, int function);

// One complete reply as the parser leaves it.
struct UdpReply {
  int kind = 0;
  int deviceClass = 0;
  int deviceNumber = 0;
  int function = 0;
  int result = 0;
  int length = 0;  // as the header says; only the first 512 bytes are kept
  std::uint8_t parameters[kUdpMaxParameters] = {};
};

}  // namespace qx::port
