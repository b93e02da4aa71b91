#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/command_parser.h"
#include "sim/profile.h"

// The QX-R7000's answers to its byte commands, and the little state that spans commands: the
// block position of an error-history or calibration transfer, calibration mode, and the
// status-exchange mode the driver sets.
namespace qx::sim {

class ScannerResponder {
 public:
  explicit ScannerResponder(const ScannerProfile* profile) : profile_(profile) {}

  // The reply to one complete command (`bytes` are its `command.length` bytes); empty when the
  // scanner stays silent.
  std::vector<std::uint8_t> Answer(const Command& command, const std::uint8_t* bytes);

  void SetStatusExchangeMode(std::uint32_t mode) { exchangeMode_ = mode; }
  std::uint32_t statusExchangeMode() const { return exchangeMode_; }
  bool calibrationMode() const { return calibrationMode_; }

 private:
  std::vector<std::uint8_t> Identity(std::uint8_t n) const;
  std::vector<std::uint8_t> Function(const Command& command, const std::uint8_t* bytes) const;
  std::vector<std::uint8_t> NextHistoryBlock();
  std::vector<std::uint8_t> NextCalibrationBlock(bool first);
  std::vector<std::uint8_t> SpecialModeAnswer(const Command& command);

  const ScannerProfile* profile_;
  std::uint32_t exchangeMode_ = 0;
  bool calibrationMode_ = false;
  bool historyOpen_ = false;
  std::size_t historyPosition_ = 0;
  bool calibrationOpen_ = false;
  std::size_t calibrationAddress_ = 0;
  std::size_t calibrationLeft_ = 0;
};

}  // namespace qx::sim
