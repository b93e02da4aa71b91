#pragma once

#include <cstdint>

#include "utility/port/threaded_port.h"

namespace qx::port {

// DTR and RTS control values, as the Windows DCB numbers them.
inline constexpr std::uint8_t kLineControlDisable = 0;
inline constexpr std::uint8_t kLineControlEnable = 1;
inline constexpr std::uint8_t kLineControlHandshake = 2;

// The line settings of a COM port in portable form; the Windows link copies them into its DCB.
struct SerialLine {
  std::uint32_t baudRate = 19200;
  std::uint8_t byteSize = 8;
  std::uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
  bool outxCtsFlow = false;
  bool outxDsrFlow = true;
  std::uint8_t dtrControl = kLineControlHandshake;
  bool outX = false;
  bool inX = false;
  std::uint8_t rtsControl = kLineControlDisable;
  bool dsrSensitivity = false;
  char xonChar = 17;
  char xoffChar = 19;
};

// The baud rate a PortSettings baud code stands for (unknown codes: 19200).
std::uint32_t BaudRateFromCode(std::int32_t code);
// Applies a flow-control code 0..6 to the line; any other code leaves the flow fields alone.
// DSR sensitivity is cleared in every case.
void ApplyFlowCode(SerialLine& line, std::int32_t code);

// Port type 0: an RS-232 COM port. Construction and configuration; the COM link itself (open,
// data, status) is not part of this build yet, so Open reports failure (0) and the port stays
// closed, answering as a closed serial port does.
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
  int DirectMode() const { return direct_; }

 private:
  int comNumber_ = 0;
  SerialLine line_;
  // ReadIntervalTimeout, read multiplier, read constant, write multiplier, write constant.
  std::uint32_t timeouts_[5] = {0xFFFFFFFFu, 0, 0, 0, 2000};
  int direct_ = 0;
};

}  // namespace qx::port
