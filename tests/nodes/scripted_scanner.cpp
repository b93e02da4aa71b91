#include "tests/nodes/scripted_scanner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "utility/nodes/scanner_replies.h"

namespace qx::test {
namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t length) {
  std::string text;
  char two[4];
  for (std::size_t i = 0; i < length; ++i) {
    std::snprintf(two, sizeof two, "%02X ", bytes[i]);
    text += two;
  }
  return text;
}

const char* KindName(Exchange::Kind kind) {
  switch (kind) {
    case Exchange::Kind::kRequest: return "request";
    case Exchange::Kind::kAutomaticStatus: return "automatic status request";
    case Exchange::Kind::kCalibration: return "calibration transfer";
    case Exchange::Kind::kErrorHistory: return "error history transfer";
    case Exchange::Kind::kControl: return "control request";
  }
  return "?";
}

}  // namespace

Bytes BlockBytes(const std::string& header, const std::string& data) {
  Bytes bytes(header.begin(), header.end());
  bytes.insert(bytes.end(), data.begin(), data.end());
  bytes.push_back(0);
  return bytes;
}

Exchange Answer(Bytes command, const std::string& header, const std::string& data) {
  return AnswerBytes(std::move(command), BlockBytes(header, data));
}

Exchange AnswerBytes(Bytes command, Bytes reply) {
  Exchange e;
  e.command = std::move(command);
  e.replies.push_back(std::move(reply));
  return e;
}

Exchange Fail(Bytes command, int result) {
  Exchange e;
  e.command = std::move(command);
  e.result = result;
  return e;
}

Exchange Status(Bytes command, Bytes fourBytes) {
  Exchange e = AnswerBytes(std::move(command), std::move(fourBytes));
  e.kind = Exchange::Kind::kAutomaticStatus;
  return e;
}

Exchange Calibration(Bytes command, std::vector<std::string> blocks, int result) {
  Exchange e;
  e.kind = Exchange::Kind::kCalibration;
  e.command = std::move(command);
  e.result = result;
  for (const std::string& block : blocks) e.replies.emplace_back(block.begin(), block.end());
  return e;
}

Exchange History(std::vector<Bytes> blocks) {
  Exchange e;
  e.kind = Exchange::Kind::kErrorHistory;
  e.command = {0x1D, '(', 'C', 0x05, 0x00, 0x00, 0x02, 0x80, '!', 'E'};
  e.replies = std::move(blocks);
  return e;
}

Exchange Control(std::uint32_t code, Bytes output, int result) {
  Exchange e;
  e.kind = Exchange::Kind::kControl;
  e.code = code;
  e.result = result;
  e.replies.push_back(std::move(output));
  return e;
}

ScriptedScanner::ScriptedScanner(std::vector<Exchange> script) : script_(std::move(script)) {
  SetScannerRequests(this);
}

ScriptedScanner::~ScriptedScanner() {
  SetScannerRequests(nullptr);
  EXPECT_EQ(Remaining(), 0u) << "the node stopped before the script's end; next expected: "
                             << (next_ < script_.size()
                                     ? Hex(script_[next_].command.data(),
                                           script_[next_].command.size())
                                     : std::string());
}

const Exchange* ScriptedScanner::Next(Exchange::Kind kind, const std::uint8_t* command,
                                      std::size_t length, std::uint32_t code) {
  if (next_ >= script_.size()) {
    ADD_FAILURE() << "unexpected " << KindName(kind) << " after the script's end: "
                  << Hex(command, length);
    return nullptr;
  }
  const Exchange& e = script_[next_];
  bool same = e.kind == kind && e.code == code && e.command.size() == length &&
              (length == 0 || std::memcmp(e.command.data(), command, length) == 0);
  if (!same) {
    ADD_FAILURE() << "exchange " << next_ << ": expected " << KindName(e.kind) << " "
                  << Hex(e.command.data(), e.command.size()) << "code " << std::hex << e.code
                  << ", got " << KindName(kind) << " " << Hex(command, length) << "code " << code;
    next_ = script_.size();  // nothing more answers: the node's read ends
    return nullptr;
  }
  ++next_;
  return &e;
}

int ScriptedScanner::Request(int portIndex, const std::uint8_t* command, std::size_t length,
                             ReplyRead read, std::uint8_t* reply, std::size_t replyCapacity,
                             std::size_t* replyLength) {
  ports_.push_back(portIndex);
  *replyLength = 0;
  const Exchange::Kind kind = read == ReplyRead::kAutomaticStatus
                                  ? Exchange::Kind::kAutomaticStatus
                                  : Exchange::Kind::kRequest;
  const Exchange* e = Next(kind, command, length, 0);
  if (e == nullptr) return kRequestNoReply;
  if (e->result != kRequestDone) return e->result;
  // Like the protocol, never more than the caller's buffer.
  const Bytes& bytes = e->replies.front();
  std::size_t n = bytes.size() < replyCapacity ? bytes.size() : replyCapacity;
  std::memcpy(reply, bytes.data(), n);
  *replyLength = n;
  return kRequestDone;
}

int ScriptedScanner::CalibrationTransfer(int portIndex, std::uint16_t startAddress,
                                         std::uint16_t count, std::uint16_t* values,
                                         std::size_t capacity, std::size_t* valueCount) {
  ports_.push_back(portIndex);
  *valueCount = 0;
  std::uint8_t command[kCalibrationCommandSize];
  CalibrationCommand(startAddress, count, command);
  const Exchange* e = Next(Exchange::Kind::kCalibration, command, sizeof command, 0);
  if (e == nullptr) return kRequestNoReply;
  if (count > capacity) return kRequestNotDone;
  for (const Bytes& block : e->replies) {
    StoreCalibrationPairs(reinterpret_cast<const char*>(block.data()), block.size() / 2, values,
                          capacity, valueCount);
  }
  return e->result;
}

int ScriptedScanner::ErrorHistoryTransfer(int portIndex, const std::uint8_t* command,
                                          std::size_t length, char* text, std::size_t capacity,
                                          std::size_t* textLength) {
  ports_.push_back(portIndex);
  *textLength = 0;
  if (capacity > 0) text[0] = '\0';
  const Exchange* e = Next(Exchange::Kind::kErrorHistory, command, length, 0);
  if (e == nullptr) return kRequestNoReply;
  if (e->result != kRequestDone) return e->result;
  for (const Bytes& block : e->replies) {
    int kind = AppendErrorHistoryBlock(block.data(), block.size(), text, capacity, textLength);
    if (kind == 0) return kRequestNotDone;
    if (kind == kHistoryBlockLast) return kRequestDone;
  }
  return kRequestNoReply;  // the scanner stopped sending before the last block
}

int ScriptedScanner::DriverControl(int portIndex, std::uint32_t code, void* output,
                                   std::uint32_t outputSize, std::uint32_t* returned) {
  ports_.push_back(portIndex);
  *returned = 0;
  const Exchange* e = Next(Exchange::Kind::kControl, nullptr, 0, code);
  if (e == nullptr || e->result != 1) return 0;
  const Bytes& bytes = e->replies.front();
  std::size_t n = bytes.size() < outputSize ? bytes.size() : outputSize;
  if (n > 0) std::memcpy(output, bytes.data(), n);
  *returned = static_cast<std::uint32_t>(n);
  return 1;
}

std::vector<std::string> RowTexts(const RowList& rows) {
  std::vector<std::string> texts;
  for (const Row& row : rows) texts.push_back(row.item + "=" + row.value);
  return texts;
}

}  // namespace qx::test
