#include "utility/port/serial_port.h"

#include <cstring>
#include <memory>

#include "platform/clock.h"
#include "utility/port/comm_threads.h"
#include "utility/port/port_records.h"
#include "utility/port/qxusb_contract.h"
#include "utility/port/usb_info.h"

namespace qx::port {

namespace {

constexpr int kSerialReadChunk = 4096;
constexpr std::uint32_t kCommBufferSize = 4096;
constexpr std::uint32_t kCloseSettleMs = 100;
constexpr std::uint32_t kPurgeAll =
    platform::kPurgeTxAbort | platform::kPurgeRxAbort | platform::kPurgeTxClear | platform::kPurgeRxClear;

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

std::int32_t SerialLinkModeFromFlags(std::uint32_t flags) {
  const bool bit2 = (flags & 0x04u) != 0;
  const bool bit3 = (flags & 0x08u) != 0;
  const bool bit4 = (flags & 0x10u) != 0;
  if (bit2 && !bit3) return 1;
  if (bit3 && !bit2) return 2;
  if (bit4 && !bit2 && !bit3) return 3;
  return 0;
}

SerialPort::SerialPort(int index) : ThreadedPort(index, kPortTypeSerial, 256) {}

SerialPort::~SerialPort() { Close(); }

platform::CommTimeouts SerialPort::CommTimeoutsOf() const {
  return platform::CommTimeouts{timeouts_[0], timeouts_[1], timeouts_[2], timeouts_[3], timeouts_[4]};
}

void SerialPort::ReleaseIo() {
  platform::DestroyCommIo(writerIo_);
  platform::DestroyCommIo(readerIo_);
  platform::DestroyCommIo(eventIo_);
  writerIo_ = readerIo_ = eventIo_ = nullptr;
}

int SerialPort::Open() {
  int result;
  {
    std::lock_guard<std::mutex> lock(lifecycle_);
    if (handle_.load() != platform::kInvalidComm) return 1;
    result = OpenLocked();
  }
  if (result == 1) NotifyOpen();
  return result;
}

int SerialPort::OpenLocked() {
  char path[platform::kCommPathSize];
  platform::ComposeCommDeviceName(platform::CommKind::kCom, comNumber_ + 1, path, sizeof path);
  const bool threaded = direct_.load() == 0;
  const platform::CommHandle handle = platform::OpenCommDevice(path, threaded);
  if (handle == platform::kInvalidComm) return 0;
  bool ok = platform::SetCommLine(handle, line_) && platform::SetupCommBuffers(handle, kCommBufferSize, kCommBufferSize) &&
            platform::PurgeCommDevice(handle, kPurgeAll) && platform::SetCommDeviceTimeouts(handle, CommTimeoutsOf());
  if (ok && threaded) {
    writerIo_ = platform::CreateCommIo();
    readerIo_ = platform::CreateCommIo();
    eventIo_ = platform::CreateCommIo();
    ok = writerIo_ != nullptr && readerIo_ != nullptr && eventIo_ != nullptr;
  }
  if (ok) {
    AcceptWrites();
    handle_.store(handle);
    if (threaded) {
      ok = StartWorkers(std::make_unique<ComWriteThread>(*this, handle, writerIo_),
                        std::make_unique<ComEventThread>(*this, handle, eventIo_));
    }
  }
  if (!ok) {
    handle_.store(platform::kInvalidComm);
    ReleaseIo();
    platform::CloseCommDevice(handle);
    return 0;
  }
  platform::EscapeCommDevice(handle, platform::kEscapeSetDtr);
  platform::EscapeCommDevice(handle, platform::kEscapeSetRts);
  return 1;
}

int SerialPort::Close() {
  {
    std::lock_guard<std::mutex> lock(lifecycle_);
    const platform::CommHandle handle = handle_.load();
    if (handle == platform::kInvalidComm) return 1;
    try {
      RefuseWrites();
      platform::SleepMilliseconds(kCloseSettleMs);
      platform::ClearCommDeviceError(handle, nullptr);
      platform::EscapeCommDevice(handle, platform::kEscapeClrDtr);
      platform::EscapeCommDevice(handle, platform::kEscapeClrRts);
      platform::PurgeCommDevice(handle, kPurgeAll);
      PurgeWrite();
      // An empty event mask ends the event thread's wait; then both workers are stopped.
      platform::SetCommEventMask(handle, 0);
      StopWorkers();
      {
        std::lock_guard<std::mutex> readLock(readIoLock_);
        ReleaseIo();
        handle_.store(platform::kInvalidComm);
      }
      platform::CloseCommDevice(handle);
    } catch (...) {
      return 0;
    }
  }
  NotifyClose();
  return 1;
}

int SerialPort::Write(int tag, const void* data, int length, int* written) {
  if (written != nullptr) *written = 0;
  const platform::CommHandle handle = handle_.load();
  if (handle == platform::kInvalidComm || length <= 0 || data == nullptr || WritesRefused()) return 0;
  if (direct_.load() == 0) return QueueWrite(tag, data, length, written);
  std::uint32_t count = 0;
  platform::WriteCommDirect(handle, data, static_cast<std::uint32_t>(length), &count);
  platform::ClearCommDeviceError(handle, nullptr);
  return FinishDirectWrite(tag, count, static_cast<std::uint32_t>(length), written);
}

int SerialPort::Read(void* buffer, int length, int* read) {
  if (read != nullptr) *read = 0;
  const platform::CommHandle handle = handle_.load();
  if (handle == platform::kInvalidComm || length <= 0 || buffer == nullptr) return 0;
  if (direct_.load() == 0) return ReadThreaded(handle, buffer, length, read);
  std::uint32_t count = 0;
  platform::ReadCommDirect(handle, buffer, static_cast<std::uint32_t>(length), &count);
  if (read != nullptr) *read = static_cast<int>(count);
  return count == static_cast<std::uint32_t>(length) ? 1 : 0;
}

// The read completes within the COMMTIMEOUTS total. A transfer that failed (a line error, a
// cancel) is over as much as one that completed: asking again only repeats its failure, so the
// wait ends and its errors are cleared below with what had come.
int SerialPort::ReadThreaded(platform::CommHandle handle, void* buffer, int length, int* read) {
  std::lock_guard<std::mutex> lock(readIoLock_);
  if (readerIo_ == nullptr) return 0;
  platform::ClearCommDeviceError(handle, nullptr);
  std::uint32_t count = 0;
  std::uint32_t error = 0;
  const platform::IoStart start =
      platform::StartCommRead(handle, readerIo_, buffer, static_cast<std::uint32_t>(length), &count, &error);
  if (start == platform::IoStart::kFailed) {
    if (read != nullptr) *read = static_cast<int>(count);
    return 0;
  }
  if (start == platform::IoStart::kPending) {
    while (platform::PollCommIo(handle, readerIo_, &count) == platform::IoPoll::kIncomplete) {
      platform::SleepMilliseconds(1);
    }
  }
  platform::ClearCommDeviceError(handle, nullptr);
  if (read != nullptr) *read = static_cast<int>(count);
  return count == static_cast<std::uint32_t>(length) ? 1 : 0;
}

int SerialPort::DeviceCheck() {
  const platform::CommHandle handle = handle_.load();
  if (handle == platform::kInvalidComm) return 0;
  std::uint32_t in = 0;
  std::uint32_t out = 0;
  std::uint32_t returned = 0;
  return platform::CommDeviceControl(handle, qxusb::kDeviceCheck, &in, sizeof in, &out, sizeof out, &returned) ? 1 : 0;
}

int SerialPort::GetInfo(void* record) {
  if (record == nullptr) return 0;
  auto& info = *static_cast<PortInfo*>(record);
  const platform::CommHandle handle = handle_.load();
  std::uint32_t returned = 0;
  auto control = [&](std::uint32_t code, void* out, std::uint32_t size) {
    return handle != platform::kInvalidComm && platform::CommDeviceControl(handle, code, nullptr, 0, out, size, &returned);
  };

  info.deviceRelease[0] = '\0';
  std::uint8_t descriptor[18] = {};
  if (control(qxusb::kGetDeviceDescriptor, descriptor, sizeof descriptor) && returned >= 14) {
    FormatVersionText(info.deviceRelease, sizeof info.deviceRelease, descriptor[13], descriptor[12]);
  }
  info.driverVersion[0] = '\0';
  std::uint32_t version = 0;
  if (control(qxusb::kGetDriverVersion, &version, sizeof version) && returned >= sizeof version) {
    FormatVersionText(info.driverVersion, sizeof info.driverVersion, version / 256, version % 256);
  }
  info.firstDeviceString[0] = '\0';
  info.secondDeviceString[0] = '\0';
  info.serialNumber[0] = '\0';
  std::uint8_t strings[512] = {};
  if (control(qxusb::kGetStringDescriptors, strings, sizeof strings)) {
    ParseDeviceStrings(strings, returned, info);
    std::uint8_t serial[512] = {};
    if (control(qxusb::kGetXbString, serial, sizeof serial)) {
      ParseSerialNumber(serial, returned, info.serialNumber, sizeof info.serialNumber);
    }
  }
  std::uint32_t flags = 0;
  if (control(qxusb::kGetXbConfiguration, &flags, sizeof flags)) {
    info.statusFlag = (flags & 0x2u) != 0 ? 1 : 0;
    info.linkMode = SerialLinkModeFromFlags(flags);
  } else {
    info.statusFlag = 0;
  }
  return 0;
}

int SerialPort::IsOpen() { return handle_.load() != platform::kInvalidComm ? 1 : 0; }

int SerialPort::IsReady() {
  const platform::CommHandle handle = handle_.load();
  platform::CommStatus status;
  if (handle == platform::kInvalidComm || !platform::ClearCommDeviceError(handle, &status)) return 0;
  return status.dsrHold ? 0 : 1;
}

std::int32_t SerialPort::GetHandle() { return static_cast<std::int32_t>(handle_.load()); }

int SerialPort::SetConfig(const PortSettings& settings) {
  std::lock_guard<std::mutex> lock(lifecycle_);
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
  const platform::CommHandle handle = handle_.load();
  if (handle == platform::kInvalidComm) {
    SetDirectMode(settings.direct);
  } else if (!platform::SetCommLine(handle, line_) || !platform::SetCommDeviceTimeouts(handle, CommTimeoutsOf())) {
    return 0;
  }
  if (handle != platform::kInvalidComm) {
    platform::EscapeCommDevice(handle, platform::kEscapeSetDtr);
    platform::EscapeCommDevice(handle, platform::kEscapeSetRts);
  }
  return 1;
}

void SerialPort::SetDirectMode(int flag) { direct_.store(flag); }

int SerialPort::SetFlowOverride(int flag) {
  std::lock_guard<std::mutex> lock(lifecycle_);
  const platform::CommHandle handle = handle_.load();
  SerialLine current;
  if (handle == platform::kInvalidComm || !platform::GetCommLine(handle, &current)) return 0;
  if (flag != 0) {
    current.outxCtsFlow = false;
    current.outxDsrFlow = false;
    current.dsrSensitivity = false;
    current.outX = false;
  } else {
    current.outxCtsFlow = line_.outxCtsFlow;
    current.outxDsrFlow = line_.outxDsrFlow;
    current.dsrSensitivity = line_.dsrSensitivity;
    current.outX = line_.outX;
  }
  return platform::SetCommLine(handle, current) ? 1 : 0;
}

int SerialPort::GetReadCount() {
  const platform::CommHandle handle = handle_.load();
  platform::CommStatus status;
  if (handle == platform::kInvalidComm || !platform::ClearCommDeviceError(handle, &status)) return 0;
  return static_cast<int>(status.inQueue);
}

void SerialPort::PurgeRead() {
  const platform::CommHandle handle = handle_.load();
  if (handle != platform::kInvalidComm) platform::PurgeCommDevice(handle, platform::kPurgeRxAbort | platform::kPurgeRxClear);
}

int SerialPort::GetReadChunk() { return kSerialReadChunk; }
int SerialPort::SetReadChunk(int size) { return size >= 1 && size <= kMaxReadChunk ? 1 : 0; }

}  // namespace qx::port
