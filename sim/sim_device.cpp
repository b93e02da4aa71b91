#include "sim/sim_device.h"

#include <algorithm>
#include <cstdio>

#include "sim/command_parser.h"

namespace qx::sim {
namespace {

constexpr std::size_t kInputLimit = 8192;

// A reply whose first byte the host reads as the start of a header block.
bool IsHeaderBlock(std::uint8_t b) {
  if (b == 0x11 || b == 0x13) return false;
  if ((b & 0x93) == 0x12 || (b & 0x93) == 0x10) return false;
  return (b & 0x91) == 0x11;
}

std::string Prefix(int index, const char* what) { return std::string(what) + " " + std::to_string(index); }

}  // namespace

SimDevice::SimDevice(int index, const DeviceProfile& profile, const DriverProfile& driver)
    : index_(index), profile_(profile), driver_(driver), responder_(&profile_.scanner),
      api_(profile.api, (profile.scanner.optionByte & 0x20) != 0 ? 1 : 2, index),
      faults_(profile.faults), controlsSeen_(faults_.size(), 0) {}

void SimDevice::Remove(RequestLog* log) {
  if (removed_) return;
  removed_ = true;
  output_.clear();
  log->Add(Prefix(index_, "removed"));
}

bool SimDevice::Applies(const FaultSpec& fault, const std::uint8_t* command, std::size_t size) const {
  if (fault.command.empty()) return true;
  return size >= fault.command.size() && std::equal(fault.command.begin(), fault.command.end(), command);
}

void SimDevice::AddFault(const FaultSpec& fault) {
  faults_.push_back(fault);
  controlsSeen_.push_back(0);
  if (fault.kind == FaultKind::kDropLink) {
    dropArmed_ = true;
    dropCounted_ = 0;
  }
}

void SimDevice::ClearFaults() {
  faults_.clear();
  controlsSeen_.clear();
  dropArmed_ = true;
  dropCounted_ = 0;
}

WriteOutcome SimDevice::Write(char function, const std::uint8_t* data, std::size_t size, std::uint32_t now,
                              RequestLog* log) {
  WriteOutcome outcome;
  if (removed_) return outcome;
  outcome.accepted = static_cast<std::uint32_t>(size);
  if (function == 'Q') {
    for (const FaultSpec& f : faults_) {
      if (f.kind == FaultKind::kWriteTimeout && Applies(f, data, size) && f.count < outcome.accepted) {
        outcome.accepted = f.count;
        outcome.timedOut = true;
      }
    }
  }
  log->Add(Prefix(index_, "write") + " " + function + " " + HexText(data, size) +
           (outcome.timedOut ? " timed-out-after " + std::to_string(outcome.accepted) : ""));
  if (function != 'Q') return outcome;  // the display function shows what it gets

  switch (profile_.kind) {
    case DeviceKind::kSink:
      return outcome;
    case DeviceKind::kEcho:
      Queue(data, outcome.accepted, std::vector<std::uint8_t>(data, data + outcome.accepted), now, log);
      return outcome;
    case DeviceKind::kScanner:
      break;
  }
  std::size_t room = kInputLimit - input_.size();
  if (outcome.accepted > room) log->Add(Prefix(index_, "input-overflow") + " " + std::to_string(outcome.accepted - room));
  input_.insert(input_.end(), data, data + std::min<std::size_t>(outcome.accepted, room));
  std::size_t used = 0;
  Command command;
  while (ParseCommand(input_.data() + used, input_.size() - used, &command) == ParseStatus::kComplete) {
    const std::uint8_t* bytes = input_.data() + used;
    if (command.id != CommandId::kNul) {
      log->Add(Prefix(index_, "command") + " " + CommandName(command.id) + " " + HexText(bytes, command.length));
    }
    Queue(bytes, command.length, responder_.Answer(command, bytes), now, log);
    used += command.length;
  }
  input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(used));
  return outcome;
}

void SimDevice::Queue(const std::uint8_t* command, std::size_t commandSize, std::vector<std::uint8_t> reply,
                      std::uint32_t now, RequestLog* log) {
  if (reply.empty()) return;
  std::uint32_t readyAt = now;
  bool dropAfter = false;
  bool onePerRead = false;
  for (const FaultSpec& f : faults_) {
    if (!Applies(f, command, commandSize) || reply.empty()) continue;
    switch (f.kind) {
      case FaultKind::kNoReply:
        log->Add(Prefix(index_, "reply-suppressed") + " " + HexText(reply.data(), reply.size()));
        return;
      case FaultKind::kWrongHeader:
        if (IsHeaderBlock(reply[0])) reply[0] = f.value;
        break;
      case FaultKind::kLongHeader:
        if (IsHeaderBlock(reply[0])) {
          auto nul = std::find(reply.begin(), reply.end(), 0x00);
          std::size_t blockSize = static_cast<std::size_t>(nul - reply.begin()) + 1;
          if (nul != reply.end() && blockSize < f.count) reply.insert(nul, f.count - blockSize, '-');
        }
        break;
      case FaultKind::kCutReply:
        if (reply.size() > f.count) reply.resize(f.count);
        break;
      case FaultKind::kXonXoff:
        if (reply.size() == 1) {
          reply.insert(reply.begin(), 0x11);
        } else {
          reply.insert(reply.begin() + 1, 0x11);
          reply.insert(reply.end() - 1, 0x13);
        }
        break;
      case FaultKind::kDelay:
        readyAt = std::max(readyAt, now + f.count);
        break;
      case FaultKind::kDropLink:
        if (dropArmed_) {
          std::uint32_t left = f.count - std::min(f.count, dropCounted_);
          if (reply.size() >= left) {
            reply.resize(left);
            dropArmed_ = false;
            dropAfter = true;
          } else {
            dropCounted_ += static_cast<std::uint32_t>(reply.size());
          }
        }
        break;
      case FaultKind::kBytePerRead:
        onePerRead = true;
        break;
      case FaultKind::kWriteTimeout:
      case FaultKind::kUnplug:
        break;
    }
  }
  log->Add(Prefix(index_, "reply") + " " + HexText(reply.data(), reply.size()));
  if (dropAfter && reply.empty()) {
    Remove(log);
    return;
  }
  for (std::size_t i = 0; i < reply.size(); ++i) {
    output_.push_back(OutByte{reply[i], readyAt, dropAfter && i + 1 == reply.size(), onePerRead});
  }
}

std::size_t SimDevice::Readable(char function, std::uint32_t now, std::uint32_t* nextReady,
                                std::size_t limit) const {
  if (removed_ || function != 'Q') return 0;
  std::size_t n = 0;
  for (const OutByte& b : output_) {
    if (n == limit) break;
    if (static_cast<std::int32_t>(now - b.readyAt) < 0) {
      *nextReady = b.readyAt;
      break;
    }
    ++n;
  }
  return n;
}

std::size_t SimDevice::Take(char function, std::uint8_t* out, std::size_t max, std::uint32_t now, RequestLog* log) {
  std::uint32_t unused = 0;
  std::size_t n = Readable(function, now, &unused, max);
  // A reply under byte-per-read goes one byte per read; other bytes go together up to such a reply.
  for (std::size_t i = 0; i < n; ++i) {
    if (output_[i].onePerRead) {
      n = i == 0 ? 1 : i;
      break;
    }
  }
  bool remove = false;
  for (std::size_t i = 0; i < n; ++i) {
    out[i] = output_.front().value;
    remove = remove || output_.front().removeAfter;
    output_.pop_front();
  }
  if (n > 0) log->Add(Prefix(index_, "read") + " " + HexText(out, n));
  if (remove) Remove(log);
  return n;
}

bool SimDevice::Control(HandleState* handle, std::uint32_t code, const std::uint8_t* input, std::uint32_t inputSize,
                        std::uint32_t outputSize, std::vector<std::uint8_t>* output, RequestLog* log) {
  for (std::size_t i = 0; i < faults_.size() && !removed_; ++i) {
    if (faults_[i].kind == FaultKind::kUnplug && faults_[i].count == code && ++controlsSeen_[i] == faults_[i].nth) {
      Remove(log);
    }
  }
  bool ok = !removed_ && AnswerControl(driver_, profile_, &responder_, handle, code, input, inputSize,
                                       outputSize, output);
  char line[96];
  std::snprintf(line, sizeof line, "control %d 0x%06X in %u out %u -> %s %zu", index_, code, inputSize, outputSize,
                ok ? "ok" : "failed", ok ? output->size() : std::size_t{0});
  log->Add(line);
  return ok;
}

}  // namespace qx::sim
