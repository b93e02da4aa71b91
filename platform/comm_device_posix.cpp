#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "platform/clock.h"
#include "platform/comm_device.h"

// termios has no DSR/DTR output flow control, no DTR handshake and no one-and-a-half stop bits;
// those settings are kept beside the descriptor and given back as set (one and a half is sent to
// the line as two). The COMMTIMEOUTS are kept the same way and applied by the transfers here.
namespace qx::platform {

namespace {

struct DeviceState {
  CommLine line;
  CommTimeouts timeouts;
  std::uint32_t eventMask = 0;
  std::uint32_t seenInQueue = 0;
};

std::mutex stateLock;
std::map<int, DeviceState>& States() {
  static std::map<int, DeviceState> states;
  return states;
}
std::string comPath;
std::string lptPath;

int Fd(CommHandle handle) { return static_cast<int>(handle); }

bool WithState(CommHandle handle, const auto& use) {
  std::lock_guard<std::mutex> lock(stateLock);
  auto found = States().find(Fd(handle));
  if (found == States().end()) return false;
  use(found->second);
  return true;
}

speed_t SpeedOf(std::uint32_t baud) {
  switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
  }
}

std::uint32_t BaudOf(speed_t speed) {
  switch (speed) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
  }
}

// Milliseconds left of a budget started at `start`; budget 0 means none.
bool Expired(std::uint32_t start, std::uint64_t budget) {
  return budget != 0 && MillisecondClock() - start >= budget;
}

int PollFor(int fd, short events, std::uint32_t waitMs) {
  pollfd pfd{fd, events, 0};
  int ready = ::poll(&pfd, 1, static_cast<int>(waitMs));
  return ready < 0 && errno == EINTR ? 0 : ready;
}

// A write bounded by the write timeouts (multiplier x length + constant; 0 and 0 = no limit).
std::uint32_t WriteBounded(CommHandle handle, const std::uint8_t* data, std::uint32_t length, int* failure) {
  *failure = 0;
  CommTimeouts timeouts;
  WithState(handle, [&](DeviceState& s) { timeouts = s.timeouts; });
  const std::uint64_t budget = std::uint64_t{timeouts.writeMultiplier} * length + timeouts.writeConstant;
  const std::uint32_t start = MillisecondClock();
  std::uint32_t done = 0;
  while (done < length) {
    ssize_t n = ::write(Fd(handle), data + done, length - done);
    if (n > 0) {
      done += static_cast<std::uint32_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      *failure = errno;
      break;
    }
    if (Expired(start, budget)) break;
    if (PollFor(Fd(handle), POLLOUT, 5) < 0) break;
  }
  return done;
}

// A read as COMMTIMEOUTS has it: interval MAXDWORD with both totals 0 returns what is there at
// once; otherwise it waits for `length` bytes at most the total (0 and 0: without limit).
bool ReadBounded(CommHandle handle, std::uint8_t* buffer, std::uint32_t length, std::uint32_t* done) {
  CommTimeouts timeouts;
  WithState(handle, [&](DeviceState& s) { timeouts = s.timeouts; });
  const bool immediate = timeouts.readInterval == 0xFFFFFFFFu && timeouts.readMultiplier == 0 && timeouts.readConstant == 0;
  const std::uint64_t budget = std::uint64_t{timeouts.readMultiplier} * length + timeouts.readConstant;
  const std::uint32_t start = MillisecondClock();
  *done = 0;
  for (;;) {
    ssize_t n = ::read(Fd(handle), buffer + *done, length - *done);
    if (n > 0) *done += static_cast<std::uint32_t>(n);
    else if (n < 0 && errno != EAGAIN && errno != EINTR) return *done > 0;
    if (*done == length || immediate || Expired(start, budget)) return true;
    if (PollFor(Fd(handle), POLLIN, 5) < 0) return false;
  }
}

}  // namespace

struct CommIo {
  int unused = 0;
};

void SetCommDevicePath(CommKind kind, const char* path) {
  std::lock_guard<std::mutex> lock(stateLock);
  (kind == CommKind::kCom ? comPath : lptPath) = path != nullptr ? path : "";
}

void ComposeCommDeviceName(CommKind kind, int n, char* out, std::size_t size) {
  if (size == 0) return;
  std::lock_guard<std::mutex> lock(stateLock);
  const std::string& set = kind == CommKind::kCom ? comPath : lptPath;
  if (!set.empty()) {
    std::snprintf(out, size, "%s", set.c_str());
  } else {
    std::snprintf(out, size, kind == CommKind::kCom ? "/dev/ttyS%d" : "/dev/lp%d", n - 1);
  }
}

CommHandle OpenCommDevice(const char* path, bool) {
  int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return kInvalidComm;
  // No sharing, as the Windows open asks for.
  if (::isatty(fd) && ::ioctl(fd, TIOCEXCL) != 0) {
    ::close(fd);
    return kInvalidComm;
  }
  std::lock_guard<std::mutex> lock(stateLock);
  States()[fd] = DeviceState{};
  return fd;
}

void CloseCommDevice(CommHandle handle) {
  if (handle == kInvalidComm) return;
  {
    std::lock_guard<std::mutex> lock(stateLock);
    States().erase(Fd(handle));
  }
  ::close(Fd(handle));
}

bool SetCommLine(CommHandle handle, const CommLine& line) {
  termios t{};
  if (::tcgetattr(Fd(handle), &t) != 0) return false;
  const speed_t speed = SpeedOf(line.baudRate);
  if (speed == B0 || line.byteSize < 5 || line.byteSize > 8 || line.parity > 4 || line.stopBits > 2) return false;
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[line.byteSize - 5];
  if (line.parity == 1) t.c_cflag |= PARENB | PARODD;
  if (line.parity == 2) t.c_cflag |= PARENB;
  if (line.parity == 3) t.c_cflag |= PARENB | CMSPAR | PARODD;
  if (line.parity == 4) t.c_cflag |= PARENB | CMSPAR;
  if (line.stopBits != 0) t.c_cflag |= CSTOPB;
  if (line.outxCtsFlow) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (line.outX) t.c_iflag |= IXON;
  if (line.inX) t.c_iflag |= IXOFF;
  t.c_cc[VSTART] = static_cast<cc_t>(line.xonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(line.xoffChar);
  ::cfsetispeed(&t, speed);
  ::cfsetospeed(&t, speed);
  if (::tcsetattr(Fd(handle), TCSANOW, &t) != 0) return false;
  return WithState(handle, [&](DeviceState& s) { s.line = line; });
}

bool GetCommLine(CommHandle handle, CommLine* line) {
  termios t{};
  if (::tcgetattr(Fd(handle), &t) != 0) return false;
  CommLine kept;
  if (!WithState(handle, [&](DeviceState& s) { kept = s.line; })) return false;
  kept.baudRate = BaudOf(::cfgetospeed(&t));
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  for (int i = 0; i < 4; ++i) {
    if ((t.c_cflag & CSIZE) == kSizes[i]) kept.byteSize = static_cast<std::uint8_t>(5 + i);
  }
  if ((t.c_cflag & PARENB) == 0) kept.parity = 0;
  else if ((t.c_cflag & CMSPAR) != 0) kept.parity = (t.c_cflag & PARODD) != 0 ? 3 : 4;
  else kept.parity = (t.c_cflag & PARODD) != 0 ? 1 : 2;
  if ((t.c_cflag & CSTOPB) == 0) kept.stopBits = 0;
  else if (kept.stopBits == 0) kept.stopBits = 2;
  kept.outxCtsFlow = (t.c_cflag & CRTSCTS) != 0;
  kept.outX = (t.c_iflag & IXON) != 0;
  kept.inX = (t.c_iflag & IXOFF) != 0;
  *line = kept;
  return true;
}

bool SetupCommBuffers(CommHandle handle, std::uint32_t, std::uint32_t) { return ::isatty(Fd(handle)) != 0; }

bool PurgeCommDevice(CommHandle handle, std::uint32_t flags) {
  const bool input = (flags & (kPurgeRxAbort | kPurgeRxClear)) != 0;
  const bool output = (flags & (kPurgeTxAbort | kPurgeTxClear)) != 0;
  const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
  return ::tcflush(Fd(handle), which) == 0;
}

bool SetCommDeviceTimeouts(CommHandle handle, const CommTimeouts& timeouts) {
  return WithState(handle, [&](DeviceState& s) { s.timeouts = timeouts; });
}

bool GetCommDeviceTimeouts(CommHandle handle, CommTimeouts* timeouts) {
  return WithState(handle, [&](DeviceState& s) { *timeouts = s.timeouts; });
}

bool ClearCommDeviceError(CommHandle handle, CommStatus* status) {
  int queued = 0;
  if (::ioctl(Fd(handle), FIONREAD, &queued) != 0) return false;
  CommStatus result;
  result.inQueue = static_cast<std::uint32_t>(std::max(queued, 0));
  bool dsrFlow = false;
  WithState(handle, [&](DeviceState& s) { dsrFlow = s.line.outxDsrFlow; });
  int modem = 0;
  // Lines without modem signals (a pseudo-terminal) never hold.
  if (dsrFlow && ::ioctl(Fd(handle), TIOCMGET, &modem) == 0) result.dsrHold = (modem & TIOCM_DSR) == 0;
  if (status != nullptr) *status = result;
  return true;
}

bool EscapeCommDevice(CommHandle handle, std::uint32_t function) {
  int bits = function == kEscapeSetDtr || function == kEscapeClrDtr ? TIOCM_DTR : TIOCM_RTS;
  const bool set = function == kEscapeSetDtr || function == kEscapeSetRts;
  return ::ioctl(Fd(handle), set ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

bool SetCommEventMask(CommHandle handle, std::uint32_t mask) {
  return WithState(handle, [&](DeviceState& s) { s.eventMask = mask; });
}

bool GetCommEventMask(CommHandle handle, std::uint32_t* mask) {
  return WithState(handle, [&](DeviceState& s) { *mask = s.eventMask; });
}

bool CommDeviceControl(CommHandle, std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t,
                       std::uint32_t* returned) {
  if (returned != nullptr) *returned = 0;
  return false;
}

bool WriteCommDirect(CommHandle handle, const void* data, std::uint32_t length, std::uint32_t* done) {
  int failure = 0;
  *done = WriteBounded(handle, static_cast<const std::uint8_t*>(data), length, &failure);
  return *done == length;
}

bool ReadCommDirect(CommHandle handle, void* buffer, std::uint32_t length, std::uint32_t* done) {
  return ReadBounded(handle, static_cast<std::uint8_t*>(buffer), length, done);
}

CommIo* CreateCommIo() { return new CommIo; }
void DestroyCommIo(CommIo* io) { delete io; }

// Transfers here finish within their timeouts, so none is ever left pending.
IoStart StartCommWrite(CommHandle handle, CommIo*, const void* data, std::uint32_t length, std::uint32_t* done,
                       std::uint32_t* error) {
  int failure = 0;
  *done = WriteBounded(handle, static_cast<const std::uint8_t*>(data), length, &failure);
  *error = static_cast<std::uint32_t>(failure);
  return failure != 0 && *done == 0 ? IoStart::kFailed : IoStart::kDone;
}

IoStart StartCommRead(CommHandle handle, CommIo*, void* buffer, std::uint32_t length, std::uint32_t* done,
                      std::uint32_t* error) {
  *error = 0;
  if (ReadBounded(handle, static_cast<std::uint8_t*>(buffer), length, done)) return IoStart::kDone;
  *error = static_cast<std::uint32_t>(errno);
  return IoStart::kFailed;
}

IoPoll PollCommIo(CommHandle, CommIo*, std::uint32_t* done) {
  *done = 0;
  return IoPoll::kDone;
}

// Transfers finish before their start returns: there is never one to cancel.
std::uint32_t CancelCommIo(CommHandle, CommIo*) { return 0; }

// Received characters are signalled when the input queue grows past what the last event saw.
bool WaitCommDeviceEvent(CommHandle handle, CommIo*, std::uint32_t* events) {
  *events = 0;
  for (;;) {
    std::uint32_t mask = 0;
    std::uint32_t seen = 0;
    if (!WithState(handle, [&](DeviceState& s) {
          mask = s.eventMask;
          seen = s.seenInQueue;
        })) {
      return false;
    }
    if ((mask & kEventRxChar) == 0) return true;
    int queued = 0;
    if (::ioctl(Fd(handle), FIONREAD, &queued) != 0) return false;
    const auto now = static_cast<std::uint32_t>(std::max(queued, 0));
    WithState(handle, [&](DeviceState& s) { s.seenInQueue = now; });
    if (now > seen) {
      *events = kEventRxChar;
      return true;
    }
    PollFor(Fd(handle), POLLIN, 5);
    if (now == seen && now > 0) SleepMilliseconds(5);
  }
}

}  // namespace qx::platform
