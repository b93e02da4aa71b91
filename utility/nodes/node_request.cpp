#include "utility/nodes/node_request.h"

#include "utility/nodes/scanner_replies.h"

namespace qx {

int RequestAnyReply(int portIndex, const std::uint8_t* command, std::size_t length,
                    NodeReply* reply) {
  reply->length = 0;
  int result = Request(portIndex, command, length, ReplyRead::kReply, reply->bytes,
                       sizeof reply->bytes, &reply->length);
  // Never trust a length beyond the buffer, whoever implements the protocol.
  if (result != kRequestDone || reply->length > sizeof reply->bytes) reply->length = 0;
  return result;
}

int RequestBlock(int portIndex, const std::uint8_t* command, std::size_t length,
                 const char* header, NodeReply* reply) {
  int result = RequestAnyReply(portIndex, command, length, reply);
  if (result != kRequestDone) return result;
  return ReplyStartsWith(reply->bytes, reply->length, header) ? kRequestDone : kRequestNotDone;
}

int RequestAutomaticStatus(int portIndex, const std::uint8_t* command, std::size_t length,
                           NodeReply* reply) {
  reply->length = 0;
  int result = Request(portIndex, command, length, ReplyRead::kAutomaticStatus, reply->bytes,
                       sizeof reply->bytes, &reply->length);
  if (result != kRequestDone || reply->length > sizeof reply->bytes) reply->length = 0;
  return result;
}

}  // namespace qx
