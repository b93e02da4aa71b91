#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/comm_device.h"
#include "utility/port/threaded_port.h"

namespace qx::port {

using platform::kLineControlDisable;
using platform::kLineControlEnable;
using platform::kLineControlHandshake;
// The line settings of a COM port; the Windows link copies them into its DCB.
using SerialLine = platform::CommLine;

// The baud rate a PortSettings baud code stands for (unknown codes: 19200).
std::uint32_t BaudRateFromCode(std::int32_t code);
// Applies a flow-control code 0..6 to the line; any other code leaves the flow fields alone.
// DSR sensitivity is cleared in every case.
void ApplyFlowCode(SerialLine& line, std::int32_t code);
// The serial port's link mode from the flags of request 0x2220C0: bit 2 alone (of bits 2, 3)
// gives 1, bit 3 alone 2, bit 4 with neither 3; anything else 0. Bit 5 is not looked at.
std::int32_t SerialLinkModeFromFlags(std::uint32_t flags);

// Port type 0: an RS-232 COM port (platform/comm_device.h). Threaded mode has a writer and an
// event thread that announces received characters; there is no read queue: Read takes the bytes
// from the driver, waiting at most the read timeouts. DTR and RTS are raised while open.
// Open, Close and SetConfig are serialised among themselves.
class SerialPort final : public ThreadedPort {
 public:
  explicit SerialPort(int index);
  ~SerialPort() override;

  int Open() override;
  int Write(int tag, const void* data, int length, int* written) override;
  int Read(void* buffer, int length, int* read) override;
  int Close() override;
  int DeviceCheck() override;
  int GetInfo(void* record) override;
  int IsOpen() override;
  int IsReady() override;
  std::int32_t GetHandle() override;
  int SetConfig(const PortSettings& settings) override;
  void SetDirectMode(int flag) override;
  int SetFlowOverride(int flag) override;
  // The serial port has no read queue: the driver's input counts, the read chunk is fixed.
  int GetReadCount() override;
  void PurgeRead() override;
  int GetReadChunk() override;
  int SetReadChunk(int size) override;

  int ComNumber() const { return comNumber_; }
  const SerialLine& Line() const { return line_; }
  const std::uint32_t* Timeouts() const { return timeouts_; }
  int DirectMode() const { return direct_.load(); }

 private:
  int OpenLocked();
  platform::CommTimeouts CommTimeoutsOf() const;
  void ReleaseIo();
  int ReadThreaded(platform::CommHandle handle, void* buffer, int length, int* read);

  std::mutex lifecycle_;
  std::atomic<platform::CommHandle> handle_{platform::kInvalidComm};
  int comNumber_ = 0;
  SerialLine line_;
  // ReadIntervalTimeout, read multiplier, read constant, write multiplier, write constant.
  std::uint32_t timeouts_[5] = {0xFFFFFFFFu, 0, 0, 0, 2000};
  std::atomic<int> direct_{0};
  // Writer, application reads, event thread: each overlapped transfer has its own.
  platform::CommIo* writerIo_ = nullptr;
  platform::CommIo* readerIo_ = nullptr;
  platform::CommIo* eventIo_ = nullptr;
  std::mutex readIoLock_;
};

}  // namespace qx::port
