#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "utility/nodes/row.h"
#include "utility/nodes/scanner_requests.h"

// A scanner whose dialogue is a table: each exchange names the command (or control code) the
// node must send next and what the scanner gives back. While it lives it is the process's
// scanner; a command out of turn fails the test with both byte sequences in hex.
namespace qx::test {

using Bytes = std::vector<std::uint8_t>;

struct Exchange {
  enum class Kind { kRequest, kAutomaticStatus, kCalibration, kErrorHistory, kControl };
  Kind kind = Kind::kRequest;
  Bytes command;              // expected command bytes (calibration: the FS '+' command)
  std::uint32_t code = 0;     // expected control code
  int result = kRequestDone;  // what the call returns
  std::vector<Bytes> replies; // the reply, the calibration blocks, the history blocks or the
                              // control output
};

// A reply block: the header text, the data text, then the NUL.
Bytes BlockBytes(const std::string& header, const std::string& data);

// The scanner answers `command` with a block.
Exchange Answer(Bytes command, const std::string& header, const std::string& data);
// The scanner answers `command` with these exact bytes.
Exchange AnswerBytes(Bytes command, Bytes reply);
// The request for `command` ends with `result` (0, -3 or -4) and no reply.
Exchange Fail(Bytes command, int result);
// Four automatic status bytes.
Exchange Status(Bytes command, Bytes fourBytes);
// A calibration transfer: the expected FS '+' command and the blocks of character pairs.
Exchange Calibration(Bytes command, std::vector<std::string> blocks, int result = kRequestDone);
// An error history transfer: the blocks as they arrive ("7pA...", "7p@...").
Exchange History(std::vector<Bytes> blocks);
// A control request answered with `output` (or failing when `result` is 0).
Exchange Control(std::uint32_t code, Bytes output, int result = 1);

class ScriptedScanner final : public ScannerRequests {
 public:
  explicit ScriptedScanner(std::vector<Exchange> script);
  ~ScriptedScanner() override;  // fails the test when exchanges are left over

  int Request(int portIndex, const std::uint8_t* command, std::size_t length, ReplyRead read,
              std::uint8_t* reply, std::size_t replyCapacity, std::size_t* replyLength) override;
  int CalibrationTransfer(int portIndex, std::uint16_t startAddress, std::uint16_t count,
                          std::uint16_t* values, std::size_t capacity,
                          std::size_t* valueCount) override;
  int ErrorHistoryTransfer(int portIndex, const std::uint8_t* command, std::size_t length,
                           char* text, std::size_t capacity, std::size_t* textLength) override;
  int DriverControl(int portIndex, std::uint32_t code, void* output, std::uint32_t outputSize,
                    std::uint32_t* returned) override;

  std::size_t Remaining() const { return script_.size() - next_; }
  // Every port index the nodes sent to.
  const std::vector<int>& Ports() const { return ports_; }

 private:
  const Exchange* Next(Exchange::Kind kind, const std::uint8_t* command, std::size_t length,
                       std::uint32_t code);

  std::vector<Exchange> script_;
  std::size_t next_ = 0;
  std::vector<int> ports_;
};

// Rows as "item=value" lines, for readable comparisons.
std::vector<std::string> RowTexts(const RowList& rows);

}  // namespace qx::test
