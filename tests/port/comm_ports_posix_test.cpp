#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "platform/comm_device.h"
#include "tests/port/port_test_support.h"
#include "utility/port/parallel_port.h"
#include "utility/port/port_table.h"
#include "utility/port/serial_port.h"

namespace qx::port {
namespace {

using testing::CallbackLog;
using testing::WaitFor;

constexpr int kSerial = 0;
constexpr int kParallel = 1;

// A pseudo-terminal pair: the port opens the slave by its path; the test is the far end on the
// master, where the line settings can be read back.
class PseudoTerminal {
 public:
  PseudoTerminal() {
    char name[128] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
    path_ = name;
    // Raw, as a printer port would be: the parallel port sets no line of its own.
    termios t{};
    ::tcgetattr(master_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(master_, TCSANOW, &t);
  }
  ~PseudoTerminal() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
  }
  const std::string& Path() const { return path_; }
  termios Settings() const {
    termios t{};
    ::tcgetattr(master_, &t);
    return t;
  }
  void Send(const std::string& text) const { ASSERT_EQ(::write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size())); }
  std::string Receive(std::size_t count) const {
    std::string got;
    char buffer[256];
    while (got.size() < count) {
      pollfd pfd{master_, POLLIN, 0};
      if (::poll(&pfd, 1, 5000) <= 0) break;
      ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, count - got.size()));
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

class CommPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(pty.Path().empty());
    platform::SetCommDevicePath(platform::CommKind::kCom, pty.Path().c_str());
    platform::SetCommDevicePath(platform::CommKind::kLpt, pty.Path().c_str());
  }
  void TearDown() override {
    platform::SetCommDevicePath(platform::CommKind::kCom, nullptr);
    platform::SetCommDevicePath(platform::CommKind::kLpt, nullptr);
  }

  PortSettings Settings(int direct, int baud, int parity, int stop, int flow) {
    PortSettings s{};
    s.direct = direct;
    s.baudCode = baud;
    s.dataBits = 8;
    s.parityCode = parity;
    s.stopBitsCode = stop;
    s.flowCode = flow;
    s.readTotalConstant = 200;
    s.writeTotalConstant = 1000;
    return s;
  }

  SerialLine PortLine() {
    SerialLine line;
    EXPECT_TRUE(platform::GetCommLine(PortGetHandle(kSerial), &line));
    return line;
  }

  testing::PortLibraryFixture library;
  PseudoTerminal pty;
};

TEST_F(CommPortTest, BaudParityStopAndFlowCodesArriveInTheLineSettings) {
  struct Case {
    int baud, parity, stop, flow;
    speed_t speed;
    tcflag_t parityBits;
    bool twoStops, rtsCts, xonXoff;
  };
  const Case cases[] = {
      {3, 1, 2, 2, B9600, PARODD, true, true, false},
      {7, 2, 0, 3, B115200, 0, false, false, true},
      {4, 3, 1, 1, B19200, PARODD | CMSPAR, true, false, false},
      {9, 4, 0, 6, B19200, CMSPAR, false, true, true},
      {0, 0, 0, 0, B1200, 0, false, false, false},
      {5, 7, 3, 5, B38400, 0, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.baud);
    PortSettings s = Settings(1, c.baud, c.parity, c.stop, c.flow);
    ASSERT_EQ(PortSetConfig(kSerial, &s), 1);
    ASSERT_EQ(PortOpen(kSerial), 1);
    termios t = pty.Settings();
    EXPECT_EQ(::cfgetospeed(&t), c.speed);
    // A pseudo-terminal keeps PARODD and CMSPAR but forces PARENB off and CS8 on, so only the
    // odd/mark/space bits can be read back here.
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), c.parityBits);
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStops);
    EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.rtsCts);
    EXPECT_EQ((t.c_iflag & IXON) != 0, c.xonXoff);
    EXPECT_EQ((t.c_iflag & IXOFF) != 0, c.xonXoff);
    EXPECT_EQ(PortClose(kSerial), 1);
  }
}

TEST_F(CommPortTest, FlowCode7KeepsTheFlowFieldsAndSettingsApplyToAnOpenPort) {
  PortSettings s = Settings(1, 3, 0, 0, 2);
  PortSetConfig(kSerial, &s);
  s.flowCode = 7;
  s.baudCode = 6;
  PortSetConfig(kSerial, &s);
  ASSERT_EQ(PortOpen(kSerial), 1);
  termios t = pty.Settings();
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);  // still RTS/CTS from code 2
  EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B57600));
  // On an open port the new line goes to the device at once.
  s.baudCode = 1;
  s.flowCode = 1;
  EXPECT_EQ(PortSetConfig(kSerial, &s), 1);
  t = pty.Settings();
  EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B2400));
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
  // An invalid byte size is refused by the device: 0, port stays open.
  s.dataBits = 3;
  EXPECT_EQ(PortSetConfig(kSerial, &s), 0);
  EXPECT_EQ(PortIsOpen(kSerial), 1);
}

TEST_F(CommPortTest, FlowOverrideOnThenOffRestoresFlowCode5) {
  PortSettings s = Settings(1, 3, 0, 0, 5);
  PortSetConfig(kSerial, &s);
  EXPECT_EQ(PortSetFlowOverride(kSerial, 1), 0);  // closed
  ASSERT_EQ(PortOpen(kSerial), 1);
  EXPECT_NE(pty.Settings().c_cflag & CRTSCTS, 0u);
  EXPECT_TRUE(PortLine().outxDsrFlow);

  EXPECT_EQ(PortSetFlowOverride(kSerial, 1), 1);
  EXPECT_EQ(pty.Settings().c_cflag & CRTSCTS, 0u);
  EXPECT_FALSE(PortLine().outxCtsFlow);
  EXPECT_FALSE(PortLine().outxDsrFlow);

  EXPECT_EQ(PortSetFlowOverride(kSerial, 0), 1);
  EXPECT_NE(pty.Settings().c_cflag & CRTSCTS, 0u);
  EXPECT_TRUE(PortLine().outxCtsFlow);
  EXPECT_TRUE(PortLine().outxDsrFlow);
  EXPECT_EQ(PortLine().rtsControl, kLineControlHandshake);
}

TEST_F(CommPortTest, DirectWritesAndReads) {
  PortSettings s = Settings(1, 3, 0, 0, 1);
  PortSetConfig(kSerial, &s);
  ASSERT_EQ(PortOpen(kSerial), 1);
  EXPECT_EQ(CallbackLog::Get().Opens(), 1);
  int written = 0;
  ASSERT_EQ(PortWrite(kSerial, 9, "MICR?", 5, &written), 1);
  EXPECT_EQ(written, 5);
  EXPECT_EQ(pty.Receive(5), "MICR?");
  auto progress = CallbackLog::Get().ProgressCalls();
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_EQ(progress[0].tag, 9);
  EXPECT_EQ(progress[0].complete, 1);

  pty.Send("OK12");
  ASSERT_TRUE(WaitFor([] { return PortGetReadCount(kSerial) == 4; }));
  EXPECT_EQ(PortIsReady(kSerial), 1);
  char buffer[8] = {};
  int read = 0;
  EXPECT_EQ(PortRead(kSerial, buffer, 4, &read), 1);
  EXPECT_EQ(std::string(buffer, 4), "OK12");
  // Asking for more than comes waits the read constant and reports what came.
  pty.Send("Z");
  EXPECT_EQ(PortRead(kSerial, buffer, 3, &read), 0);
  EXPECT_EQ(read, 1);
  EXPECT_EQ(PortClose(kSerial), 1);
  EXPECT_EQ(CallbackLog::Get().Closes(), 1);
  EXPECT_EQ(PortRead(kSerial, buffer, 3, &read), 0);
  EXPECT_EQ(read, 0);
}

TEST_F(CommPortTest, ThreadedWritesGoOutAndArrivalsAreAnnounced) {
  PortSettings s = Settings(0, 7, 0, 1, 1);
  PortSetConfig(kSerial, &s);
  ASSERT_EQ(PortOpen(kSerial), 1);
  int written = 0;
  std::string payload(3000, 'x');
  ASSERT_EQ(PortWrite(kSerial, 0, payload.data(), static_cast<int>(payload.size()), &written), 1);
  EXPECT_EQ(pty.Receive(payload.size()), payload);
  EXPECT_TRUE(WaitFor([] { return PortGetPendingWrite(kSerial) == 0; }));

  pty.Send("reply");
  EXPECT_TRUE(WaitFor([] { return CallbackLog::Get().Receives() >= 1; }));
  ASSERT_TRUE(WaitFor([] { return PortGetReadCount(kSerial) == 5; }));
  char buffer[8] = {};
  int read = 0;
  EXPECT_EQ(PortRead(kSerial, buffer, 5, &read), 1);
  EXPECT_EQ(std::string(buffer, 5), "reply");
  EXPECT_EQ(PortClose(kSerial), 1);  // the event thread's wait ends with the mask cleared
  EXPECT_EQ(PortIsOpen(kSerial), 0);
}

TEST_F(CommPortTest, OpenFailsForAMissingDevice) {
  platform::SetCommDevicePath(platform::CommKind::kCom, "/nonexistent/ttyQX");
  EXPECT_EQ(PortOpen(kSerial), 0);
  EXPECT_EQ(PortGetHandle(kSerial), -1);
  platform::SetCommDevicePath(platform::CommKind::kCom, nullptr);
  platform::SetCommDevicePath(platform::CommKind::kLpt, nullptr);
  char name[platform::kCommPathSize];
  platform::ComposeCommDeviceName(platform::CommKind::kCom, 1, name, sizeof name);
  EXPECT_STREQ(name, "/dev/ttyS0");
  platform::ComposeCommDeviceName(platform::CommKind::kLpt, 2, name, sizeof name);
  EXPECT_STREQ(name, "/dev/lp1");
}

TEST_F(CommPortTest, ParallelWriteConstantIsRaisedTo2000OnlyAtOpen) {
  PortSettings s{};
  s.direct = 0;
  s.readTotalMultiplier = 1;
  s.readTotalConstant = 10;
  s.writeTotalConstant = 500;
  ASSERT_EQ(PortSetConfig(kParallel, &s), 1);
  auto* parallel = static_cast<ParallelPort*>(PortTableEntry(kParallel));
  EXPECT_EQ(parallel->Timeouts()[4], 500u);
  ASSERT_EQ(PortOpen(kParallel), 1);
  platform::CommTimeouts device;
  ASSERT_TRUE(platform::GetCommDeviceTimeouts(PortGetHandle(kParallel), &device));
  EXPECT_EQ(device.writeConstant, 2000u);
  EXPECT_EQ(device.readConstant, 10u);
  EXPECT_EQ(parallel->Timeouts()[4], 2000u);
  // Set while open, the value goes to the device as it is.
  EXPECT_EQ(PortSetConfig(kParallel, &s), 1);
  ASSERT_TRUE(platform::GetCommDeviceTimeouts(PortGetHandle(kParallel), &device));
  EXPECT_EQ(device.writeConstant, 500u);

  // Its threaded data path through the queues.
  int written = 0;
  ASSERT_EQ(PortWrite(kParallel, 0, "LPT", 3, &written), 1);
  EXPECT_EQ(pty.Receive(3), "LPT");
  pty.Send("ack");
  ASSERT_TRUE(WaitFor([] { return PortGetReadCount(kParallel) == 3; }));
  char buffer[4] = {};
  int read = 0;
  EXPECT_EQ(PortRead(kParallel, buffer, 3, &read), 1);
  EXPECT_EQ(std::string(buffer, 3), "ack");
  EXPECT_EQ(PortClose(kParallel), 1);
}

TEST(SerialLinkMode, FromTheInterfaceBoardFlags) {
  EXPECT_EQ(SerialLinkModeFromFlags(0x04), 1);
  EXPECT_EQ(SerialLinkModeFromFlags(0x08), 2);
  EXPECT_EQ(SerialLinkModeFromFlags(0x10), 3);
  EXPECT_EQ(SerialLinkModeFromFlags(0x0C), 0);
  EXPECT_EQ(SerialLinkModeFromFlags(0x14), 1);  // bit 4 does not matter beside bit 2
  EXPECT_EQ(SerialLinkModeFromFlags(0x20), 0);  // bit 5 is not looked at
  EXPECT_EQ(SerialLinkModeFromFlags(0x24), 1);
}

}  // namespace
}  // namespace qx::port
