#include "utility/port/usb_port.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/clock.h"
#include "utility/port/notifications.h"
#include "utility/port/port_driver.h"
#include "utility/port/qxusb_contract.h"
#include "utility/port/usb_info.h"
#include "utility/port/usb_threads.h"

namespace qx::port {

using qxusb::DriverHandle;
using qxusb::DriverStatus;
using qxusb::kInvalidDriverHandle;

namespace {

constexpr std::uint32_t kUsbDefaultReadChunk = 256;
constexpr std::uint32_t kCloseSettleMs = 100;
constexpr std::uint32_t kDirectRetrySleepMs = 10;
// SetFlowOverride(0) waits for the device to stop holding; after this many rounds (about two
// seconds) it gives up and reports 0.
constexpr int kFlowReleaseRounds = 2000;
constexpr std::size_t kFunctionPathSize = qxusb::kDevicePathSize + 4;

bool Valid(DriverHandle handle) { return handle != kInvalidDriverHandle; }

}  // namespace

UsbPort::UsbPort(int index) : ThreadedPort(index, kPortTypeUsb, kUsbDefaultReadChunk) {}

UsbPort::~UsbPort() { Close(); }

qxusb::Driver& UsbPort::LinkDriver() {
  qxusb::Driver* driver = driver_.load();
  return driver != nullptr ? *driver : PortDriver();
}

bool UsbPort::IsCurrent(DriverHandle handle) const {
  return Valid(handle) && (handle == scanner_.load() || handle == display_.load());
}

bool UsbPort::Control(DriverHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize,
                      void* output, std::uint32_t outputSize, std::uint32_t* returned) {
  std::uint32_t got = 0;
  bool ok = false;
  {
    std::lock_guard<std::mutex> lock(gate_);
    if (IsCurrent(handle)) ok = LinkDriver().Control(handle, code, input, inputSize, output, outputSize, &got);
  }
  if (returned != nullptr) *returned = ok ? std::min(got, outputSize) : 0;
  return ok;
}

DriverStatus UsbPort::WriteLink(DriverHandle handle, const void* data, std::uint32_t length,
                                std::uint32_t* written) {
  *written = 0;
  std::lock_guard<std::mutex> lock(gate_);
  if (!IsCurrent(handle)) return DriverStatus::kFailed;
  DriverStatus status = LinkDriver().Write(handle, data, length, written);
  *written = std::min(*written, length);
  return status;
}

DriverStatus UsbPort::ReadLink(DriverHandle handle, void* buffer, std::uint32_t capacity, std::uint32_t* got) {
  *got = 0;
  std::lock_guard<std::mutex> lock(gate_);
  if (!IsCurrent(handle)) return DriverStatus::kFailed;
  DriverStatus status = LinkDriver().Read(handle, buffer, capacity, got);
  *got = status == DriverStatus::kOk ? std::min(*got, capacity) : 0;
  return status;
}

std::uint32_t UsbPort::WrittenAfterTimeout(DriverHandle handle, std::uint32_t asked) {
  std::uint32_t count = 0;
  std::uint32_t returned = 0;
  if (!Control(handle, qxusb::kGetWrittenAfterTimeout, nullptr, 0, &count, sizeof count, &returned) ||
      returned < sizeof count) {
    return 0;
  }
  // A driver claiming more than it was given cannot be believed past what was asked.
  return std::min(count, asked);
}

bool UsbPort::SendTimeouts(DriverHandle handle) {
  std::uint32_t returned = 0;
  return Control(handle, qxusb::kSetTimeouts, timeouts_, sizeof timeouts_, nullptr, 0, &returned);
}

// The handles stop being current before any is closed, and each close waits in the gate for the
// call in flight: no call can start on a handle once its close has begun.
void UsbPort::ReleaseHandles() {
  qxusb::Driver& driver = LinkDriver();
  active_.store(kInvalidDriverHandle);
  DriverHandle closing[2];
  {
    std::lock_guard<std::mutex> lock(gate_);
    closing[0] = scanner_.exchange(kInvalidDriverHandle);
    closing[1] = display_.exchange(kInvalidDriverHandle);
  }
  for (DriverHandle value : closing) {
    if (!Valid(value)) continue;
    std::lock_guard<std::mutex> lock(gate_);
    driver.Close(value);
  }
}

int UsbPort::Open() {
  int result;
  {
    std::lock_guard<std::mutex> lock(lifecycle_);
    if (Valid(active_.load())) return 1;
    result = OpenLocked();
  }
  if (result == 1) NotifyOpen();
  return result;
}

int UsbPort::OpenLocked() {
  driver_.store(&PortDriver());
  qxusb::Driver& driver = LinkDriver();

  char devicePath[qxusb::kDevicePathSize] = {};
  if (driver.Enumerate(deviceIndex_, devicePath, sizeof devicePath) == DriverStatus::kNoMoreItems) return -1;
  devicePath[sizeof devicePath - 1] = '\0';

  char scannerPath[kFunctionPathSize] = {};
  char displayPath[kFunctionPathSize] = {};
  if (devicePath[0] != '\0') {
    std::snprintf(scannerPath, sizeof scannerPath, qxusb::kScannerFunctionFormat, devicePath);
    std::snprintf(displayPath, sizeof displayPath, qxusb::kDisplayFunctionFormat, devicePath);
  }

  auto openFunction = [&](const char* path, std::atomic<DriverHandle>& into) {
    DriverHandle handle = kInvalidDriverHandle;
    if (path[0] != '\0' && driver.Open(path, &handle) == DriverStatus::kOk) into.store(handle);
  };
  if (selector_ == 0 || selector_ == 1) openFunction(scannerPath, scanner_);
  if (selector_ == 0 || selector_ == 2) openFunction(displayPath, display_);
  if (selector_ == 2) useDisplay_ = 1;
  DriverHandle active = useDisplay_ != 0 ? display_.load() : scanner_.load();

  bool ok = Valid(active);
  if (ok && (selector_ == 0 || selector_ == 1)) ok = SendTimeouts(scanner_.load());
  if (ok && (selector_ == 0 || selector_ == 2) && Valid(display_.load())) ok = SendTimeouts(display_.load());
  if (ok) {
    AcceptWrites();
    active_.store(active);
    if (direct_.load() == 0) {
      ok = StartWorkers(std::make_unique<UsbWriteThread>(*this, active), std::make_unique<UsbReadThread>(*this, active));
    }
  }
  if (!ok) {
    ReleaseHandles();
    return 0;
  }
  return 1;
}

int UsbPort::Close() {
  bool closed = false;
  int result;
  {
    std::lock_guard<std::mutex> lock(lifecycle_);
    result = CloseLocked(&closed);
  }
  if (closed) NotifyClose();
  return result;
}

int UsbPort::CloseLocked(bool* closed) {
  *closed = false;
  if (!Valid(active_.load())) {
    ReleaseHandles();
    return 1;
  }
  try {
    RefuseWrites();
    platform::SleepMilliseconds(kCloseSettleMs);
    PurgeRead();
    PurgeWrite();
    StopWorkers();
    // Every handle still held is closed, whichever functions a later SetConfig selected.
    ReleaseHandles();
  } catch (...) {
    return 0;
  }
  *closed = true;
  return 1;
}

int UsbPort::Write(int tag, const void* data, int length, int* written) {
  if (written != nullptr) *written = 0;
  if (IsOpen() != 1 || length <= 0 || data == nullptr || WritesRefused()) return 0;
  if (direct_.load() == 0) return QueueWrite(tag, data, length, written);
  return WriteDirect(tag, static_cast<const std::uint8_t*>(data), length, written);
}

int UsbPort::WriteDirect(int tag, const std::uint8_t* data, int length, int* written) {
  std::uint64_t budget;
  {
    std::lock_guard<std::mutex> lock(lifecycle_);
    budget = std::uint64_t{timeouts_[2]} * static_cast<std::uint32_t>(length) + timeouts_[3];
  }
  const DriverHandle handle = active_.load();
  const std::uint32_t total = static_cast<std::uint32_t>(length);
  const std::uint32_t start = platform::MillisecondClock();
  std::uint32_t done = 0;
  for (;;) {
    std::uint32_t count = 0;
    DriverStatus status = WriteLink(handle, data + done, total - done, &count);
    done += count;
    if (status == DriverStatus::kOk) break;
    if (status == DriverStatus::kSemTimeout) {
      done += WrittenAfterTimeout(handle, total - done);
      break;
    }
    ReportLinkFailure();
    platform::SleepMilliseconds(kDirectRetrySleepMs);
    if (platform::MillisecondClock() - start >= budget) break;
  }
  // Whole means every byte went out, counted over all attempts.
  return FinishDirectWrite(tag, done, total, written);
}

int UsbPort::Read(void* buffer, int length, int* read) {
  if (read != nullptr) *read = 0;
  if (length <= 0 || buffer == nullptr) return 0;
  if (direct_.load() == 0) {
    if (IsOpen() != 1) return 0;
    return TakeRead(buffer, length, read);
  }
  const DriverHandle handle = active_.load();
  std::uint32_t got = 0;
  if (ReadLink(handle, buffer, static_cast<std::uint32_t>(length), &got) != DriverStatus::kOk && Valid(handle)) {
    ReportLinkFailure();
  }
  if (read != nullptr) *read = static_cast<int>(got);
  return got == static_cast<std::uint32_t>(length) ? 1 : 0;
}

int UsbPort::DeviceCheck() {
  std::uint32_t in = 0;
  std::uint32_t out = 0;
  std::uint32_t returned = 0;
  return Control(active_.load(), qxusb::kDeviceCheck, &in, sizeof in, &out, sizeof out, &returned) ? 1 : 0;
}

int UsbPort::IsOpen() { return Valid(active_.load()) ? 1 : 0; }

int UsbPort::IsReady() {
  if (IsOpen() != 1) return 0;
  std::uint16_t status = 0;
  std::uint32_t returned = 0;
  if (!Control(active_.load(), qxusb::kGetXbStatus, nullptr, 0, &status, sizeof status, &returned)) return 0;
  return (status & qxusb::kXbStatusNotReady) != 0 ? 0 : 1;
}

std::int32_t UsbPort::GetHandle() { return static_cast<std::int32_t>(active_.load()); }

void UsbPort::SetDirectMode(int flag) { direct_.store(flag); }

int UsbPort::SetFlowOverride(int flag) {
  if (IsOpen() != 1) return 0;
  const DriverHandle handle = active_.load();
  std::uint32_t returned = 0;
  if (flag != 0) {
    std::uint16_t mode = 2;
    return Control(handle, qxusb::kSetStatusExchangeMode, &mode, sizeof mode, nullptr, 0, &returned) ? 1 : 0;
  }
  for (int round = 0; round < kFlowReleaseRounds; ++round) {
    std::uint16_t mode = 0;
    if (!Control(handle, qxusb::kSetStatusExchangeMode, &mode, sizeof mode, nullptr, 0, &returned)) return 0;
    std::uint32_t status = 0;
    if (!Control(handle, qxusb::kGetXbStatus, nullptr, 0, &status, sizeof status, &returned)) return 0;
    if ((status & qxusb::kXbStatusHolding) == 0) return 1;
    platform::SleepMilliseconds(1);
  }
  return 0;
}

int UsbPort::SetConfig(const PortSettings& settings) {
  std::lock_guard<std::mutex> lock(lifecycle_);
  deviceIndex_ = settings.usbIndex >= 1000 ? 0u : static_cast<std::uint32_t>(settings.usbIndex);

  const DriverHandle scanner = scanner_.load();
  const DriverHandle display = display_.load();
  if (!Valid(scanner)) {
    useDisplay_ = settings.usbFunction == 1 ? 1 : 0;
  } else {
    const bool toDisplay = settings.usbFunction == 1 && Valid(display);
    useDisplay_ = toDisplay ? 1 : 0;
    const DriverHandle active = toDisplay ? display : scanner;
    active_.store(active);
    RepointWorkers(active);
  }
  selector_ = settings.usbFunction == 0 ? 1 : settings.usbFunction == 1 ? 2 : 0;

  timeouts_[0] = static_cast<std::uint32_t>(settings.readTotalMultiplier);
  timeouts_[1] = static_cast<std::uint32_t>(settings.readTotalConstant);
  timeouts_[2] = static_cast<std::uint32_t>(settings.writeTotalMultiplier);
  timeouts_[3] = static_cast<std::uint32_t>(settings.writeTotalConstant);
  std::fill(timeouts_ + 4, timeouts_ + kTimeoutWords, 0u);

  if (!Valid(active_.load())) {
    SetDirectMode(settings.direct);
    return 1;
  }
  // Open: the new block goes to every function the port holds open.
  for (DriverHandle handle : {scanner, display}) {
    if (Valid(handle) && !SendTimeouts(handle)) return 0;
  }
  return 1;
}

int UsbPort::GetInfo(void* record) {
  if (record == nullptr) return 0;
  auto& info = *static_cast<PortInfo*>(record);
  const DriverHandle handle = active_.load();
  std::uint32_t returned = 0;

  info.deviceRelease[0] = '\0';
  std::uint8_t descriptor[18] = {};
  if (IsOpen() == 1 &&
      Control(handle, qxusb::kGetDeviceDescriptor, nullptr, 0, descriptor, sizeof descriptor, &returned) &&
      returned >= 14) {
    FormatVersionText(info.deviceRelease, sizeof info.deviceRelease, descriptor[13], descriptor[12]);
  }

  info.driverVersion[0] = '\0';
  std::uint32_t version = 0;
  if (Control(handle, qxusb::kGetDriverVersion, nullptr, 0, &version, sizeof version, &returned) &&
      returned >= sizeof version) {
    FormatVersionText(info.driverVersion, sizeof info.driverVersion, version / 256, version % 256);
  }

  info.firstDeviceString[0] = '\0';
  info.secondDeviceString[0] = '\0';
  info.serialNumber[0] = '\0';
  auto strings = std::make_unique<std::uint8_t[]>(1024);
  if (Control(handle, qxusb::kGetStringDescriptors, nullptr, 0, strings.get(), 1024, &returned)) {
    ParseDeviceStrings(strings.get(), returned, info);
    std::uint8_t serial[512] = {};
    if (Control(handle, qxusb::kGetXbString, nullptr, 0, serial, sizeof serial, &returned)) {
      ParseSerialNumber(serial, returned, info.serialNumber, sizeof info.serialNumber);
    }
  }

  std::uint32_t flags = 0;
  if (Control(handle, qxusb::kGetXbConfiguration, nullptr, 0, &flags, sizeof flags, &returned)) {
    info.statusFlag = (flags & 0x2u) != 0 ? 1 : 0;
    info.linkMode = LinkModeFromFlags(flags);
  } else {
    info.statusFlag = 0;
  }
  return 0;
}

int UsbPort::DriverControl(std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                           std::uint32_t outputSize, std::uint32_t* returned) {
  return Control(active_.load(), code, input, inputSize, output, outputSize, returned) ? 1 : 0;
}

// Under the lifecycle lock, so that an Open or Close under way finishes first and the handle
// asked is the one closed; a port that is not open is left alone.
void UsbPort::CheckRemoval() {
  bool closed = false;
  {
    std::lock_guard<std::mutex> lock(lifecycle_);
    const DriverHandle handle = active_.load();
    if (!Valid(handle)) return;
    std::uint32_t status = 0;
    std::uint32_t returned = 0;
    if (Control(handle, qxusb::kGetXbStatus, nullptr, 0, &status, sizeof status, &returned)) return;
    CloseLocked(&closed);
  }
  if (closed) NotifyClose();
}

}  // namespace qx::port
