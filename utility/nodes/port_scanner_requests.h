#pragma once

#include "utility/nodes/scanner_requests.h"

namespace qx {

// The scanner requests over the port library: every command goes out as one transaction (ready
// check on port 2, drain, RequestPrefix, command, reply), and driver control requests go through
// the port library to the driver handle of port 2 (PortDriverControl).
class PortScannerRequests : public ScannerRequests {
 public:
  int Request(int portIndex, const std::uint8_t* command, std::size_t length, ReplyRead read,
              std::uint8_t* reply, std::size_t replyCapacity, std::size_t* replyLength) override;
  int CalibrationTransfer(int portIndex, std::uint16_t startAddress, std::uint16_t count,
                          std::uint16_t* values, std::size_t capacity,
                          std::size_t* valueCount) override;
  int ErrorHistoryTransfer(int portIndex, const std::uint8_t* command, std::size_t length,
                           char* text, std::size_t capacity, std::size_t* textLength) override;
  int DriverControl(int portIndex, std::uint32_t code, void* output, std::uint32_t outputSize,
                    std::uint32_t* returned) override;
};

// Makes the nodes talk through the port library: scanner requests, driver queries on the handle
// of the node's port and its ready check. Remove undoes it.
void InstallPortScannerRequests();
void RemovePortScannerRequests();

// The first steps of every transaction: 0 when port 2 is not ready (nothing sent), else the
// input is drained and the RequestPrefix and `command` are written: 1, or -3 when a write failed.
int SendCommand(int port, const std::uint8_t* command, std::size_t length);

// Reads and drops what the port holds: two reads of up to 128 bytes with 1 ms between them.
void DrainInput(int port);

// A buffered control request to the driver handle of port 2, with optional input: 1 or 0.
int ScannerDriverControl(std::uint32_t code, const void* input, std::uint32_t inputSize,
                         void* output, std::uint32_t outputSize, std::uint32_t* returned);

}  // namespace qx
