#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "utility/port/qxusb_driver.h"

namespace qx::port::testing {

// An in-process QXUSB driver for the port's tests: a scripted bus of devices, scripted control
// replies and write outcomes, a log of every call, a removal switch, and two data modes: echo
// (written bytes come back to readers) and sink (written bytes are counted and dropped).
// Reads return what is there at once (as a USB read ends on a short packet) or wait for data up
// to the handle's read time-out (read multiplier x capacity + read constant, at most 200 ms).
class FakeDriver final : public qxusb::Driver {
 public:
  enum class DataMode { kScripted, kEcho, kSink };

  struct Device {
    std::string path;
    bool hasScanner = true;
    bool hasDisplay = true;
  };

  struct Call {
    char op;  // 'E', 'O', 'W', 'R', 'C', 'X'
    qxusb::DriverHandle handle;
    std::uint32_t code;  // control code
    std::string path;    // open
    std::vector<std::uint8_t> input;
    std::uint32_t size;  // write length, read capacity or control output size
  };

  struct WriteOutcome {
    qxusb::DriverStatus status;
    std::uint32_t count;  // for kOk the count written (capped at the length)
  };

  FakeDriver();

  // Bus and behaviour, set before or between calls.
  void AddDevice(const std::string& path, bool hasScanner = true, bool hasDisplay = true);
  void SetMode(DataMode mode);
  void SetRemoved(bool removed);
  // Control replies: success with these output bytes, or failure.
  void SetControlReply(std::uint32_t code, std::vector<std::uint8_t> output);
  void SetControlFailure(std::uint32_t code);
  // Outcomes of the next writes, in order; writes past the script succeed whole.
  void ScriptWrites(std::vector<WriteOutcome> outcomes);
  // Bytes the device sends (scripted mode).
  void FeedInput(const std::vector<std::uint8_t>& bytes);
  // How long a write takes (to hold a batch in flight).
  void SetWriteDelayMs(std::uint32_t ms);
  // Writes wait inside the driver until ReleaseWrites (to purge while a batch is surely in
  // flight); WritesWaiting counts the writes held there.
  void HoldWrites();
  void ReleaseWrites();
  int WritesWaiting();
  // How long an enumeration, a control request and a close take (to widen the windows where a
  // port's threads meet).
  void SetEnumerateDelayMs(std::uint32_t ms);
  void SetControlDelayMs(std::uint32_t ms);
  void SetCloseDelayMs(std::uint32_t ms);
  // Log the data and control calls (off for long runs; opens, closes and enumerations are
  // always logged).
  void SetLogDataCalls(bool log);

  std::vector<Call> Calls();
  std::vector<Call> CallsOf(char op);
  std::vector<Call> ControlCalls(std::uint32_t code);
  std::vector<std::uint8_t> Written();
  std::uint64_t SinkBytes();
  int OpenHandleCount();
  // Calls that came while another call on the same handle was still running: the driver takes
  // one call per handle at a time.
  int OverlappingCalls();
  // Calls that named a handle this driver had given out and closed again.
  int CallsOnClosedHandles();
  void ClearLog();

  qxusb::DriverStatus Enumerate(std::uint32_t member, char* path, std::size_t size) override;
  qxusb::DriverStatus Open(const char* functionPath, qxusb::DriverHandle* handle) override;
  qxusb::DriverStatus Write(qxusb::DriverHandle handle, const void* data, std::uint32_t length,
                            std::uint32_t* written) override;
  qxusb::DriverStatus Read(qxusb::DriverHandle handle, void* buffer, std::uint32_t capacity,
                           std::uint32_t* got) override;
  bool Control(qxusb::DriverHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize,
               void* output, std::uint32_t outputSize, std::uint32_t* returned) override;
  void Close(qxusb::DriverHandle handle) override;

 private:
  struct Reply {
    bool ok;
    std::vector<std::uint8_t> output;
  };
  struct Handle {
    std::uint32_t timeouts[8];
  };

  bool Usable(qxusb::DriverHandle handle) const;
  // Counts a call on a handle that was given out and has been closed; the caller holds mutex_.
  void NoteClosedHandle(qxusb::DriverHandle handle);
  static void Pause(std::uint32_t ms);
  // Marks a call on the handle as running for its scope, counting overlaps.
  class InFlight {
   public:
    InFlight(FakeDriver& driver, qxusb::DriverHandle handle);
    ~InFlight();

   private:
    FakeDriver& driver_;
    qxusb::DriverHandle handle_;
  };

  std::mutex mutex_;
  std::condition_variable dataArrived_;
  std::vector<Device> devices_;
  std::map<qxusb::DriverHandle, Handle> open_;
  qxusb::DriverHandle nextHandle_ = 100;
  DataMode mode_ = DataMode::kScripted;
  bool removed_ = false;
  bool logData_ = true;
  std::uint32_t writeDelayMs_ = 0;
  std::uint32_t enumerateDelayMs_ = 0;
  std::uint32_t controlDelayMs_ = 0;
  std::uint32_t closeDelayMs_ = 0;
  bool holdWrites_ = false;
  int writesWaiting_ = 0;
  std::condition_variable writesReleased_;
  int callsOnClosedHandles_ = 0;
  std::map<std::uint32_t, Reply> replies_;
  std::deque<WriteOutcome> writeScript_;
  std::deque<std::uint8_t> input_;
  std::vector<std::uint8_t> written_;
  std::uint64_t sinkBytes_ = 0;
  std::vector<Call> calls_;
  std::map<qxusb::DriverHandle, int> running_;
  int overlaps_ = 0;
};

}  // namespace qx::port::testing
