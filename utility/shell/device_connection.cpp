#include "utility/shell/device_connection.h"

#include <cstring>
#include <initializer_list>

#include "platform/clock.h"
#include "platform/data_module.h"
#include "utility/nodes/port_scanner_requests.h"
#include "utility/nodes/reply_reader.h"
#include "utility/nodes/scanner_requests.h"
#include "utility/port/port_api.h"
#include "utility/port/qxusb_contract.h"
#include "utility/shell/run_mode.h"

namespace qx {

namespace {

constexpr int kSerial = port::kPortTypeSerial;
constexpr int kParallel = port::kPortTypeParallel;
constexpr int kUsb = port::kPortTypeUsb;
constexpr int kEthernet = port::kPortTypeEthernet;

constexpr std::uint32_t kFindLimitMs = 1500;
constexpr std::uint32_t kReopenLimitMs = 1500;
constexpr std::uint32_t kReopenPauseMs = 10;
constexpr std::uint32_t kCalibrationReplyLimitMs = 10000;
// A device never has this many interfaces; the walk stops there whatever the driver says.
constexpr int kMaxDeviceNumber = 256;
// Draining before the error-cause query stops once the port is quiet, or after this many reads.
constexpr int kMaxDrainReads = 10000;
constexpr int kDrainReadSize = 128;

constexpr std::uint8_t kModelIdentity[] = {0x1D, 0x49, 0x01};
constexpr std::uint8_t kCounterProbe[] = {0x1D, 0x67, 0x32, 0x00, 0x3C, 0x00};
constexpr std::uint8_t kSwitchQuery[] = {0x1C, 0x7C, 0x4D, 0xA2, 0x1E};
constexpr std::uint8_t kStatusQuery[] = {0x10, 0x14, 0x07, 0x01};
constexpr std::uint8_t kCauseQuery[] = {0x10, 0x14, 0x07, 0x04};
constexpr std::uint8_t kModeIn[] = {0x1C, 0x7C, 0x4D, 0xA0, 'M', 'O', 'D', 'E', 'I', 'N'};
constexpr std::uint8_t kModeOut[] = {0x1C, 0x7C, 0x4D, 0xA1, 'M', 'O', 'D', 'E', 'O', 'U', 'T'};

bool Write(int port, const std::uint8_t* data, std::size_t length) {
  int written = 0;
  return port::PortWrite(port, 0, data, static_cast<int>(length), &written) == 1;
}

template <std::size_t N>
bool Write(int port, const std::uint8_t (&data)[N]) {
  return Write(port, data, N);
}

bool Bit(std::uint8_t byte, int bit) { return (byte >> bit) & 1; }

// The code a "7" "#" cause reply names: the first listed bit that is set, else 0.
int CauseReplyCode(const std::uint8_t* r) {
  if (Bit(r[4], 0)) return 409;
  if (Bit(r[4], 1)) return 410;
  if (Bit(r[4], 2)) return 411;
  for (int bit = 0; bit < 4; ++bit) {
    if (Bit(r[5], bit)) return 412 + bit;
  }
  for (int bit = 0; bit < 4; ++bit) {
    if (Bit(r[6], bit)) return 416 + bit;
  }
  if (Bit(r[2], 1)) return 420;
  if (Bit(r[2], 0) || Bit(r[2], 2)) return 421;
  for (int bit = 0; bit < 4; ++bit) {
    if (Bit(r[3], bit)) return 422 + bit;
  }
  return 0;
}

// The code of the four status bytes when they name one without the second exchange.
bool StatusByteCode(const std::uint8_t (&s)[4], int* code) {
  if (Bit(s[0], 5)) {
    *code = 403;
    return true;
  }
  if (!Bit(s[1], 0)) return false;
  if (!Bit(s[2], 5)) *code = 405;
  else if (!Bit(s[2], 0)) *code = 406;
  else if (!Bit(s[3], 6)) *code = 407;
  else if (!Bit(s[2], 2)) *code = 408;
  else return false;
  return true;
}

}  // namespace

DeviceConnection::DeviceConnection() : settings_{} {
  settings_.port = 0;
  settings_.direct = 1;
  settings_.comPort = 0;
  settings_.baudCode = 4;
  settings_.dataBits = 8;
  settings_.parityCode = 0;
  settings_.stopBitsCode = 0;
  settings_.flowCode = 0;
  settings_.lptPort = 0;
  settings_.usbIndex = 0;
  settings_.usbFunction = 0;
  const std::uint8_t defaultAddress[4] = {192, 168, 192, 168};
  std::memcpy(settings_.ipAddress, defaultAddress, sizeof defaultAddress);
  settings_.readTotalMultiplier = 0;
  settings_.readTotalConstant = 0;
  settings_.writeTotalMultiplier = 0;
  settings_.writeTotalConstant = 2000;
}

void DeviceConnection::Startup() {
  port::PortInitialize(platform::LoadDataModule("qxflash.exe"));
  for (int type : {kSerial, kParallel, kUsb, kEthernet}) port::PortCreate(type);
  ApplyTo(kSerial, 0, 0, 0, 2000);
  ApplyTo(kParallel, 0, 0, 0, 2000);
  ApplyTo(kUsb, 0, 0, 0, 2000);
  ApplyTo(kEthernet, 50, 100, 0, 2000);
}

void DeviceConnection::Shutdown() { port::PortShutdown(); }

void DeviceConnection::ApplyTo(int port, std::int32_t readMultiplier, std::int32_t readConstant,
                               std::int32_t writeMultiplier, std::int32_t writeConstant) {
  settings_.readTotalMultiplier = readMultiplier;
  settings_.readTotalConstant = readConstant;
  settings_.writeTotalMultiplier = writeMultiplier;
  settings_.writeTotalConstant = writeConstant;
  port::PortSetConfig(port, &settings_);
}

void DeviceConnection::ApplyTimings() {
  std::int32_t serialWrite = 2000;
  if (settings_.baudCode == 0 || settings_.baudCode == 1) serialWrite = 8000;
  else if (settings_.baudCode == 2) serialWrite = 4000;
  ApplyTo(kSerial, 0, 10, 0, serialWrite);
  ApplyTo(kParallel, 0, 0, 0, 2000);
  ApplyTo(kUsb, 0, 10, 0, 2000);
  ApplyTo(kEthernet, 50, 100, 0, 2000);
}

bool DeviceConnection::IsScannerIdentity() {
  std::uint8_t word[4] = {0, 0, 0, 0};
  std::uint32_t returned = 0;
  if (!ScannerDriverControl(qxusb::kGetXbConfiguration, nullptr, 0, word, sizeof word, &returned)) return false;
  return (word[0] & 0xFC) == qxusb::kXbConfigurationQxR7000;
}

void DeviceConnection::CountScanners(int* count, bool* busy, int* lastScanner) {
  for (int n = 0; n < kMaxDeviceNumber; ++n) {
    settings_.port = kUsb;
    settings_.usbIndex = n;
    settings_.usbFunction = 0;
    ApplyTimings();
    int opened = port::PortOpen(kUsb);
    if (opened == 0) {
      *busy = true;
    } else if (opened == 1) {
      if (IsScannerIdentity()) {
        ++*count;
        *lastScanner = n;
      }
      port::PortClose(kUsb);
    } else {
      return;
    }
  }
}

int DeviceConnection::FindAndOpen() {
  std::uint32_t start = platform::MillisecondClock();
  for (;;) {
    int count = 0;
    bool busy = false;
    int lastScanner = 0;
    CountScanners(&count, &busy, &lastScanner);
    if (count == 1) {
      settings_.usbIndex = lastScanner;
      ApplyTimings();
      port::PortOpen(kUsb);
      return IsScannerIdentity() ? kFoundOne : kFoundNone;
    }
    if (!busy) return count == 0 ? kFoundNone : kFoundMany;
    if (platform::MillisecondClock() - start >= kFindLimitMs) return kFoundBusy;
  }
}

int DeviceConnection::CheckDriverAndHostController(int controlFailure) {
  std::uint8_t word[4] = {0, 0, 0, 0};
  std::uint32_t returned = 0;
  if (!ScannerDriverControl(qxusb::kGetDriverVersion, nullptr, 0, word, sizeof word, &returned)) return controlFailure;
  std::uint32_t version = word[0] | word[1] << 8 | word[2] << 16 | static_cast<std::uint32_t>(word[3]) << 24;
  if (version < qxusb::kMinimumDriverVersion) return 201;

  std::memset(word, 0, sizeof word);
  if (!ScannerDriverControl(qxusb::kGetHostControllerType, nullptr, 0, word, sizeof word, &returned)) return controlFailure;
  std::uint32_t controller = word[0] | word[1] << 8 | word[2] << 16 | static_cast<std::uint32_t>(word[3]) << 24;
  if (controller == qxusb::kHostControllerOther) return 202;
  return 1;
}

int DeviceConnection::CheckDeviceState() {
  const int port = settings_.port;
  int sent = SendCommand(port, kModelIdentity, sizeof kModelIdentity);
  if (sent == kRequestNotDone) return -4;
  if (sent != kRequestDone) return -3;

  std::uint8_t reply[kNodeReplySize];
  int count = 0;
  ReadReply(reply, sizeof reply, port, &count);
  bool specialMode = count == 3 && reply[0] == '1' && reply[1] == 'o' && reply[2] == 0x00;
  if (!specialMode) return 0;
  if (CurrentRunMode() == kRunModeNormal) return -1;

  if (!Write(port, kCounterProbe)) return -3;
  if (ReadReply(reply, sizeof reply, port, &count) != kReplyNothing && count > 0) return 3;

  if (!Write(port, kSwitchQuery)) return -3;
  ReadReply(reply, sizeof reply, port, &count);
  return count >= 2 && Bit(reply[1], 0) ? 1 : 2;
}

int DeviceConnection::SetStatusExchangeMode(std::uint32_t mode) {
  std::uint8_t value[4] = {static_cast<std::uint8_t>(mode), 0, 0, 0};
  std::uint32_t returned = 0;
  return ScannerDriverControl(qxusb::kSetStatusExchangeMode, value, sizeof value, nullptr, 0, &returned);
}

int DeviceConnection::QueryErrorCause(int* code, bool* found) {
  *found = false;
  const int port = settings_.port;
  if (port::PortGetHandle(kUsb) == -1) return 0;

  std::uint8_t scratch[kDrainReadSize];
  for (int reads = 0; reads < kMaxDrainReads; ++reads) {
    int got = 0;
    port::PortRead(port, scratch, kDrainReadSize, &got);
    platform::SleepMilliseconds(1);
    if (got == 0) break;
  }

  if (!SetStatusExchangeMode(2)) return 0;
  if (!Write(port, kStatusQuery)) return -3;
  std::uint8_t status[4];
  for (std::uint8_t& byte : status) {
    int next = ReadReplyByte(port);
    if (next < 0) return -4;
    byte = static_cast<std::uint8_t>(next);
  }

  if (StatusByteCode(status, code)) {
    *found = true;
  } else if (!Bit(status[0], 5) && !Bit(status[1], 0) && (Bit(status[1], 2) || Bit(status[1], 5))) {
    if (!Write(port, kCauseQuery)) return SetStatusExchangeMode(0) ? -3 : 0;
    std::uint8_t reply[kNodeReplySize];
    int count = 0;
    ReadReply(reply, sizeof reply, port, &count);
    if (count == 8 && reply[0] == '7' && reply[1] == '#') {
      *code = CauseReplyCode(reply);
      *found = true;
    }
  }
  return SetStatusExchangeMode(0) ? 1 : 0;
}

int DeviceConnection::ReopenCheck() {
  std::uint32_t start = platform::MillisecondClock();
  for (;;) {
    int opened = port::PortOpen(settings_.port);
    if (opened == 1 || opened == -1) return opened;
    if (platform::MillisecondClock() - start >= kReopenLimitMs) return 0;
    platform::SleepMilliseconds(kReopenPauseMs);
  }
}

int DeviceConnection::ResultAfterFailedRead(int result) {
  if (result == 401) {
    if (ReopenCheck() != 1) {
      result = 204;
    } else if (port::PortIsReady(kUsb) != 1) {
      int code = 0;
      bool found = false;
      int query = QueryErrorCause(&code, &found);
      if (found) result = code;
      else if (query == 0) result = 204;
    }
  }
  Close();
  return result;
}

int DeviceConnection::EnterCalibrationMode() {
  const int port = settings_.port;
  int sent = SendCommand(port, kModeIn, sizeof kModeIn);
  if (sent != kRequestDone) return sent;

  std::uint8_t reply[3];
  int have = 0;
  std::uint32_t start = platform::MillisecondClock();
  while (have < 3) {
    std::uint8_t arrived[3];
    const int missing = 3 - have;
    int got = 0;
    port::PortRead(port, arrived, missing, &got);
    for (int i = 0; i < got && i < missing; ++i) {
      if (arrived[i] != 0x11 && arrived[i] != 0x13) reply[have++] = arrived[i];
    }
    if (have == 3) break;
    platform::SleepMilliseconds(1);
    if (platform::MillisecondClock() - start >= kCalibrationReplyLimitMs) return 0;
  }
  return reply[0] == '1' && reply[1] == 0x81 && reply[2] == 0x00 ? 1 : 0;
}

void DeviceConnection::ExitCalibrationMode() {
  const int port = settings_.port;
  if (SendCommand(port, kModeOut, sizeof kModeOut) != kRequestDone) return;
  std::uint8_t reply[kNodeReplySize];
  int count = 0;
  ReadReply(reply, sizeof reply, port, &count);
}

void DeviceConnection::Close() { port::PortClose(settings_.port); }

}  // namespace qx
