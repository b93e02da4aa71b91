#pragma once

#include <cstddef>
#include <cstdint>

#include "utility/nodes/scanner_requests.h"

// One node command and its reply, with the header check the command's reply needs.
namespace qx {

struct NodeReply {
  std::uint8_t bytes[kNodeReplySize];
  std::size_t length;
};

// Sends the command and reads a reply; a reply that does not begin with `header` gives 0. The
// headers the scanner uses ('_', '=', '1', "7p") are all header-block bytes, so a reply starting
// with one is a header block.
int RequestBlock(int portIndex, const std::uint8_t* command, std::size_t length,
                 const char* header, NodeReply* reply);
// Sends the command and reads a reply whatever its header.
int RequestAnyReply(int portIndex, const std::uint8_t* command, std::size_t length,
                    NodeReply* reply);
// Sends the command and reads the four automatic status bytes.
int RequestAutomaticStatus(int portIndex, const std::uint8_t* command, std::size_t length,
                           NodeReply* reply);

template <std::size_t N>
int RequestBlock(int portIndex, const std::uint8_t (&command)[N], const char* header,
                 NodeReply* reply) {
  return RequestBlock(portIndex, command, N, header, reply);
}

template <std::size_t N>
int RequestAnyReply(int portIndex, const std::uint8_t (&command)[N], NodeReply* reply) {
  return RequestAnyReply(portIndex, command, N, reply);
}

}  // namespace qx
