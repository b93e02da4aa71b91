#include "utility/port/serial_port.h"

#include "utility/port/port_records.h"

namespace qx::port {

namespace {

constexpr int kSerialReadChunk = 4096;

}  // namespace

std::uint32_t BaudRateFromCode(std::int32_t code) {
  switch (code) {
    case 0: return 1200;
    case 1: return 2400;
    case 2: return 4800;
    case 3: return 9600;
    case 5: return 38400;
    case 6: return 57600;
    case 7: return 115200;
    default: return 19200;
  }
}

void ApplyFlowCode(SerialLine& line, std::int32_t code) {
  line.dsrSensitivity = false;
  struct Scheme {
    bool cts, dsr, dtrHandshake, xonXoff, rtsHandshake;
  };
  static constexpr Scheme kSchemes[] = {
      {false, true, true, false, false},   // 0 DTR/DSR
      {false, false, false, false, false}, // 1 none
      {true, false, false, false, true},   // 2 RTS/CTS
      {false, false, false, true, false},  // 3 XON/XOFF
      {false, true, true, true, false},    // 4 DTR/DSR and XON/XOFF
      {true, true, true, false, true},     // 5 RTS/CTS and DTR/DSR
      {true, false, false, true, true},    // 6 RTS/CTS and XON/XOFF
  };
  if (code < 0 || code > 6) return;
  const Scheme& s = kSchemes[code];
  line.outxCtsFlow = s.cts;
  line.outxDsrFlow = s.dsr;
  line.dtrControl = s.dtrHandshake ? kLineControlHandshake : kLineControlEnable;
  line.outX = s.xonXoff;
  line.inX = s.xonXoff;
  line.rtsControl = s.rtsHandshake ? kLineControlHandshake : kLineControlEnable;
}

SerialPort::SerialPort(int index) : ThreadedPort(index, kPortTypeSerial, 256) {}

SerialPort::~SerialPort() { Close(); }

int SerialPort::Open() { return 0; }

int SerialPort::Write(int, const void*, int, int* written) {
  if (written != nullptr) *written = 0;
  return 0;
}

int SerialPort::Read(void*, int, int* read) {
  if (read != nullptr) *read = 0;
  return 0;
}

int SerialPort::Close() { return 1; }
int SerialPort::DeviceCheck() { return 0; }

int SerialPort::GetInfo(void* record) {
  if (record == nullptr) return 0;
  auto& info = *static_cast<PortInfo*>(record);
  info.deviceRelease[0] = '\0';
  info.driverVersion[0] = '\0';
  info.firstDeviceString[0] = '\0';
  info.secondDeviceString[0] = '\0';
  info.serialNumber[0] = '\0';
  info.statusFlag = 0;
  return 0;
}

int SerialPort::IsOpen() { return 0; }
int SerialPort::IsReady() { return 0; }
std::int32_t SerialPort::GetHandle() { return -1; }

int SerialPort::SetConfig(const PortSettings& settings) {
  comNumber_ = settings.comPort;
  line_.baudRate = BaudRateFromCode(settings.baudCode);
  line_.parity = settings.parityCode >= 1 && settings.parityCode <= 4 ? static_cast<std::uint8_t>(settings.parityCode) : 0;
  line_.stopBits = settings.stopBitsCode == 1 || settings.stopBitsCode == 2 ? static_cast<std::uint8_t>(settings.stopBitsCode) : 0;
  line_.byteSize = static_cast<std::uint8_t>(settings.dataBits);
  ApplyFlowCode(line_, settings.flowCode);
  line_.xonChar = 17;
  line_.xoffChar = 19;
  timeouts_[0] = 0xFFFFFFFFu;
  timeouts_[1] = static_cast<std::uint32_t>(settings.readTotalMultiplier);
  timeouts_[2] = static_cast<std::uint32_t>(settings.readTotalConstant);
  timeouts_[3] = static_cast<std::uint32_t>(settings.writeTotalMultiplier);
  timeouts_[4] = static_cast<std::uint32_t>(settings.writeTotalConstant);
  if (IsOpen() != 1) SetDirectMode(settings.direct);
  return 1;
}

void SerialPort::SetDirectMode(int flag) { direct_ = flag; }
int SerialPort::SetFlowOverride(int) { return 0; }
int SerialPort::GetReadCount() { return 0; }
void SerialPort::PurgeRead() {}
int SerialPort::GetReadChunk() { return kSerialReadChunk; }
int SerialPort::SetReadChunk(int size) { return size >= 1 && size <= kMaxReadChunk ? 1 : 0; }

}  // namespace qx::port
