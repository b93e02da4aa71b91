#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/comm_device.h"
#include "tests/port/port_test_support.h"

// The serial port through Wine's COM5 and the parallel port through LPT2, each mapped by the test
// fixture to a pseudo-terminal whose far end echoes and reports the line settings it sees
// (scripts/pty-line.py).
namespace qx::port {
namespace {

using testing::WaitFor;

constexpr int kSerial = 0;
constexpr int kCom5 = 4;  // 0-based
// Linux termios values the far end reports.
constexpr unsigned kB9600 = 13, kB19200 = 14, kB115200 = 4098;
constexpr unsigned kParodd = 01000, kCstopb = 0100, kCrtscts = 020000000000u;
constexpr unsigned kIxon = 02000, kIxoff = 010000;

struct LineStatus {
  unsigned speed = 0, cflag = 0, iflag = 0;
  bool operator==(const LineStatus&) const = default;
};

class SerialUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* state = std::getenv("QXR7000_PTY_STATUS");
    if (state == nullptr) GTEST_SKIP() << "no pseudo-terminal mapped to COM5 (run through ctest)";
    statusPath_ = std::string("Z:") + state;
  }

  LineStatus Status() {
    LineStatus status;
    if (FILE* f = std::fopen(statusPath_.c_str(), "r")) {
      if (std::fscanf(f, "%u %u %u", &status.speed, &status.cflag, &status.iflag) != 3) status = LineStatus{};
      std::fclose(f);
    }
    return status;
  }

  // The far end polls every 20 ms; a setting has arrived when the report shows it.
  bool Arrives(unsigned speed, unsigned cflagMask, unsigned cflag, unsigned iflagMask, unsigned iflag) {
    return WaitFor([&] {
      LineStatus s = Status();
      return s.speed == speed && (s.cflag & cflagMask) == cflag && (s.iflag & iflagMask) == iflag;
    }, std::chrono::seconds(3));
  }

  int Configure(int direct, int baud, int parity, int stop, int flow) {
    PortSettings s = SerialSettings(direct, baud, parity, stop, flow);
    return PortSetConfig(kSerial, &s);
  }

  static PortSettings SerialSettings(int direct, int baud, int parity, int stop, int flow) {
    PortSettings s{};
    s.direct = direct;
    s.comPort = kCom5;
    s.baudCode = baud;
    s.dataBits = 8;
    s.parityCode = parity;
    s.stopBitsCode = stop;
    s.flowCode = flow;
    s.readTotalConstant = 300;
    s.writeTotalConstant = 1000;
    return s;
  }

  testing::PortLibraryFixture library;
  std::string statusPath_;
};

TEST_F(SerialUnderWine, LineCodesArriveAtTheFarEnd) {
  Configure(1, 3, 1, 2, 2);
  ASSERT_EQ(PortOpen(kSerial), 1);
  EXPECT_TRUE(Arrives(kB9600, kParodd | kCstopb | kCrtscts, kParodd | kCstopb | kCrtscts, 0, 0));
  EXPECT_EQ(PortClose(kSerial), 1);

  Configure(1, 7, 2, 0, 3);
  ASSERT_EQ(PortOpen(kSerial), 1);
  EXPECT_TRUE(Arrives(kB115200, kParodd | kCstopb | kCrtscts, 0, kIxon | kIxoff, kIxon | kIxoff));
  // Baud codes 4 and 9 both give 19200, set on the open port.
  Configure(1, 4, 0, 0, 1);
  EXPECT_TRUE(Arrives(kB19200, kCrtscts, 0, kIxon, 0));
  Configure(1, 9, 0, 0, 1);
  EXPECT_TRUE(Arrives(kB19200, kCrtscts, 0, kIxon, 0));
  EXPECT_EQ(PortClose(kSerial), 1);
}

TEST_F(SerialUnderWine, FlowOverrideOnThenOffRestoresFlowCode5) {
  Configure(1, 3, 0, 0, 5);
  ASSERT_EQ(PortOpen(kSerial), 1);
  EXPECT_TRUE(Arrives(kB9600, kCrtscts, kCrtscts, 0, 0));
  EXPECT_EQ(PortSetFlowOverride(kSerial, 1), 1);
  EXPECT_TRUE(Arrives(kB9600, kCrtscts, 0, 0, 0));
  EXPECT_EQ(PortSetFlowOverride(kSerial, 0), 1);
  EXPECT_TRUE(Arrives(kB9600, kCrtscts, kCrtscts, 0, 0));
  EXPECT_EQ(PortClose(kSerial), 1);
}

TEST_F(SerialUnderWine, DirectAndThreadedDataComeBackFromTheEcho) {
  for (int direct : {1, 0}) {
    SCOPED_TRACE(direct);
    Configure(direct, 3, 0, 0, 1);
    ASSERT_EQ(PortOpen(kSerial), 1);
    int written = 0;
    ASSERT_EQ(PortWrite(kSerial, 0, "ECHO", 4, &written), 1);
    EXPECT_EQ(written, 4);
    ASSERT_TRUE(WaitFor([] { return PortGetReadCount(kSerial) >= 4; }, std::chrono::seconds(5)));
    char buffer[8] = {};
    int read = 0;
    EXPECT_EQ(PortRead(kSerial, buffer, 4, &read), 1);
    EXPECT_EQ(std::string(buffer, 4), "ECHO");
    EXPECT_EQ(PortClose(kSerial), 1);
  }
}

TEST_F(SerialUnderWine, AThreadedReadWhoseTransferFailsReturnsAndLetsThePortClose) {
  PortSettings s = SerialSettings(0, 3, 0, 0, 1);
  // With the interval off, the read waits up to 60 s for its first byte: it stays pending.
  s.readTotalMultiplier = -1;
  s.readTotalConstant = 60000;
  ASSERT_EQ(PortSetConfig(kSerial, &s), 1);
  ASSERT_EQ(PortOpen(kSerial), 1);
  const HANDLE device = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(PortGetHandle(kSerial)));

  std::atomic<int> result{-1};
  std::atomic<int> count{-1};
  std::thread reader([&] {
    char buffer[16];
    int read = -1;
    result = PortRead(kSerial, buffer, sizeof buffer, &read);
    count = read;
  });
  // Cancelling fails the pending transfer; it is repeated until the read has started and ended.
  // A read that kept asking after the failure would never return (the port could not close).
  const bool returned = WaitFor([&] {
    CancelIoEx(device, nullptr);
    return result.load() != -1;
  }, std::chrono::seconds(20));
  if (!returned) {
    reader.detach();
    FAIL() << "the read did not return after its transfer failed";
  }
  reader.join();
  EXPECT_EQ(result.load(), 0);
  EXPECT_EQ(count.load(), 0);
  EXPECT_EQ(PortClose(kSerial), 1);
}

TEST_F(SerialUnderWine, ParallelWriteConstantOf500Becomes2000AtOpen) {
  constexpr int kParallel = 1;
  PortSettings s{};
  s.lptPort = 1;  // LPT2
  s.readTotalMultiplier = 1;
  s.readTotalConstant = 10;
  s.writeTotalConstant = 500;
  ASSERT_EQ(PortSetConfig(kParallel, &s), 1);
  ASSERT_EQ(PortOpen(kParallel), 1);
  platform::CommTimeouts device;
  ASSERT_TRUE(platform::GetCommDeviceTimeouts(PortGetHandle(kParallel), &device));
  EXPECT_EQ(device.writeConstant, 2000u);
  EXPECT_EQ(device.readConstant, 10u);
  int written = 0;
  ASSERT_EQ(PortWrite(kParallel, 0, "LPT", 3, &written), 1);
  ASSERT_TRUE(WaitFor([] { return PortGetReadCount(kParallel) == 3; }, std::chrono::seconds(5)));
  char buffer[4] = {};
  int read = 0;
  EXPECT_EQ(PortRead(kParallel, buffer, 3, &read), 1);
  EXPECT_EQ(std::string(buffer, 3), "LPT");
  EXPECT_EQ(PortClose(kParallel), 1);
}

TEST_F(SerialUnderWine, ACancelledPendingReadIsOverAndLeavesLaterBytesToTheNextRead) {
  char path[platform::kCommPathSize];
  platform::ComposeCommDeviceName(platform::CommKind::kLpt, 2, path, sizeof path);
  const platform::CommHandle handle = platform::OpenCommDevice(path, true);
  ASSERT_NE(handle, platform::kInvalidComm);
  platform::CommTimeouts timeouts;
  timeouts.readInterval = 0;  // a read waits until its buffer is full
  ASSERT_TRUE(platform::SetCommDeviceTimeouts(handle, timeouts));
  platform::CommIo* io = platform::CreateCommIo();
  ASSERT_NE(io, nullptr);
  char first[16] = {};
  std::uint32_t done = 0;
  std::uint32_t error = 0;
  ASSERT_EQ(platform::StartCommRead(handle, io, first, sizeof first, &done, &error), platform::IoStart::kPending);
  EXPECT_EQ(platform::CancelCommIo(handle, io), 0u);
  // The transfer is over: nothing more will be written into `first` or `io`.
  EXPECT_NE(platform::PollCommIo(handle, io, &done), platform::IoPoll::kIncomplete);

  platform::CommIo* writeIo = platform::CreateCommIo();
  ASSERT_NE(writeIo, nullptr);
  const char bytes[4] = {'L', 'A', 'T', 'E'};
  platform::IoStart started = platform::StartCommWrite(handle, writeIo, bytes, 4, &done, &error);
  if (started == platform::IoStart::kPending) {
    ASSERT_TRUE(WaitFor([&] { return platform::PollCommIo(handle, writeIo, &done) == platform::IoPoll::kDone; }));
  }
  char second[4] = {};
  started = platform::StartCommRead(handle, io, second, sizeof second, &done, &error);
  if (started == platform::IoStart::kPending) {
    ASSERT_TRUE(WaitFor([&] { return platform::PollCommIo(handle, io, &done) != platform::IoPoll::kIncomplete; },
                        std::chrono::seconds(5)));
  }
  EXPECT_EQ(done, 4u);
  EXPECT_EQ(std::string(second, 4), "LATE");
  EXPECT_EQ(std::string(first, 4), std::string(4, '\0'));
  platform::DestroyCommIo(writeIo);
  platform::DestroyCommIo(io);
  platform::CloseCommDevice(handle);
}

}  // namespace
}  // namespace qx::port
