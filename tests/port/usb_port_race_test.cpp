#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <vector>

#include "tests/port/port_test_support.h"
#include "utility/port/notifications.h"
#include "utility/port/qxusb_contract.h"

// The USB port met from several threads at once: the application's calls, the workers, the
// removal check of the notification receiver, and the end of the process.
namespace qx::port {
namespace {

using testing::CallbackLog;
using testing::FakeDriver;
using testing::UsbSettings;
using testing::WaitFor;

constexpr int kUsb = 2;
const char kDevice[] = "\\\\?\\usb#vid_0dd4&pid_0200#7#{5dd901c0}";

class UsbPortRaceTest : public ::testing::Test {
 protected:
  UsbPortRaceTest() { driver().AddDevice(kDevice); }
  FakeDriver& driver() { return library.driver; }
  CallbackLog& log() { return CallbackLog::Get(); }
  void Configure(int direct) {
    PortSettings settings = UsbSettings(direct);
    ASSERT_EQ(PortSetConfig(kUsb, &settings), 1);
  }

  testing::PortLibraryFixture library;
};

TEST_F(UsbPortRaceTest, RemovalCheckDuringAnOpenLeavesTheFreshPortOpen) {
  Configure(1);
  driver().SetEnumerateDelayMs(200);
  auto opened = std::async(std::launch::async, [] { return PortOpen(kUsb); });
  ASSERT_TRUE(WaitFor([&] { return !driver().CallsOf('E').empty(); }));
  // A removal notice for some other device arrives while the open is under way.
  RunUsbRemovalCheck();
  EXPECT_EQ(opened.get(), 1);
  EXPECT_EQ(PortIsOpen(kUsb), 1);
  EXPECT_EQ(log().Closes(), 0);
  EXPECT_EQ(driver().OpenHandleCount(), 1);
}

TEST_F(UsbPortRaceTest, NoDriverCallReachesAHandleAfterItsClose) {
  Configure(1);
  driver().SetCloseDelayMs(2);
  driver().SetLogDataCalls(false);
  std::atomic<bool> done{false};
  std::vector<std::thread> callers;
  callers.emplace_back([&] {
    while (!done.load()) {
      PortIsReady(kUsb);
      PortDeviceCheck(kUsb);
    }
  });
  callers.emplace_back([&] {
    PortInfo info;
    while (!done.load()) {
      PortGetInfo(kUsb, &info);
      PortSetFlowOverride(kUsb, 1);
    }
  });
  callers.emplace_back([&] {
    std::uint8_t byte = 0;
    int read = 0;
    while (!done.load()) PortRead(kUsb, &byte, 1, &read);
  });
  for (int cycle = 0; cycle < 30; ++cycle) {
    ASSERT_EQ(PortOpen(kUsb), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(PortClose(kUsb), 1);
  }
  done.store(true);
  for (auto& caller : callers) caller.join();
  EXPECT_EQ(driver().CallsOnClosedHandles(), 0);
  EXPECT_EQ(driver().OverlappingCalls(), 0);
}

TEST_F(UsbPortRaceTest, BytesWrittenWhileThePortClosesNeverGoOutLater) {
  Configure(0);
  ASSERT_EQ(PortOpen(kUsb), 1);
  // A slow close keeps the port between its purge and its end for a while.
  driver().SetCloseDelayMs(30);
  std::atomic<bool> closed{false};
  std::thread writer([&] {
    const std::uint8_t byte = 0x5A;
    while (!closed.load()) PortWrite(kUsb, 0, &byte, 1, nullptr);
  });
  EXPECT_EQ(PortClose(kUsb), 1);
  closed.store(true);
  writer.join();
  const std::size_t before = driver().Written().size();

  driver().SetCloseDelayMs(0);
  ASSERT_EQ(PortOpen(kUsb), 1);
  // Whatever had been left queued would go out within a few writer steps.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(driver().Written().size(), before);
  EXPECT_EQ(PortGetPendingWrite(kUsb), 0);
}

TEST_F(UsbPortRaceTest, ACallbackOfTheRemovalCheckMayCreateAndDestroyPortsOnAnotherThread) {
  Configure(1);
  ASSERT_EQ(PortOpen(kUsb), 1);
  static std::atomic<bool> finished{false};
  static std::thread* helper = nullptr;
  finished.store(false);
  PortCallbacks callbacks{};
  callbacks.onClose = [](int) {
    // The helper needs the table; the callback waits for it (bounded, so a deadlock shows as a
    // failure rather than a hang).
    std::promise<void> ready;
    std::future<void> done = ready.get_future();
    helper = new std::thread([promise = std::move(ready)]() mutable {
      int index = PortCreate(kPortTypeSerial);
      PortDestroy(index);
      promise.set_value();
    });
    finished.store(done.wait_for(std::chrono::seconds(5)) == std::future_status::ready);
  };
  ASSERT_EQ(PortSetCallbacks(kUsb, &callbacks), 1);
  driver().SetControlFailure(qxusb::kGetXbStatus);
  RunUsbRemovalCheck();
  ASSERT_NE(helper, nullptr);
  helper->join();
  delete helper;
  helper = nullptr;
  EXPECT_TRUE(finished.load());
  EXPECT_EQ(PortIsOpen(kUsb), 0);
}

// A driver that refuses to be used once it is gone, as a freed one would fault.
std::atomic<bool> g_driverGone{false};

class GuardedDriver final : public qxusb::Driver {
 public:
  explicit GuardedDriver(FakeDriver& inner) : inner_(inner) {}
  ~GuardedDriver() override { g_driverGone.store(true); }
  qxusb::DriverStatus Enumerate(std::uint32_t member, char* path, std::size_t size) override {
    Check();
    return inner_.Enumerate(member, path, size);
  }
  qxusb::DriverStatus Open(const char* path, qxusb::DriverHandle* handle) override {
    Check();
    return inner_.Open(path, handle);
  }
  qxusb::DriverStatus Write(qxusb::DriverHandle h, const void* d, std::uint32_t n, std::uint32_t* w) override {
    Check();
    return inner_.Write(h, d, n, w);
  }
  qxusb::DriverStatus Read(qxusb::DriverHandle h, void* b, std::uint32_t n, std::uint32_t* g) override {
    Check();
    return inner_.Read(h, b, n, g);
  }
  bool Control(qxusb::DriverHandle h, std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
               std::uint32_t outSize, std::uint32_t* returned) override {
    Check();
    return inner_.Control(h, code, in, inSize, out, outSize, returned);
  }
  void Close(qxusb::DriverHandle h) override {
    Check();
    inner_.Close(h);
  }

 private:
  static void Check() {
    if (!g_driverGone.load()) return;
    std::fputs("driver used after it was destroyed\n", stderr);
    std::fflush(stderr);
    std::_Exit(3);
  }
  FakeDriver& inner_;
};

// The process ends without PortShutdown (a failed assertion, an early return) while a threaded
// port is open: the library stops its workers and closes its ports before what they use goes.
void ExitWithAnOpenPort() {
  static FakeDriver fake;
  static GuardedDriver driver(fake);
  fake.AddDevice(kDevice);
  fake.SetMode(FakeDriver::DataMode::kEcho);
  SetPortDriver(&driver);
  PortInitialize(nullptr);
  PortCreate(kPortTypeSerial);
  PortCreate(kPortTypeParallel);
  if (PortCreate(kPortTypeUsb) != kUsb) std::_Exit(4);
  PortSettings settings = UsbSettings(0);
  PortSetConfig(kUsb, &settings);
  if (PortOpen(kUsb) != 1) std::_Exit(5);
  const std::uint8_t bytes[4] = {1, 2, 3, 4};
  PortWrite(kUsb, 0, bytes, 4, nullptr);
  std::exit(0);
}

TEST(UsbPortAtExit, PortsLeftOpenAreClosedBeforeTheDriverIsDestroyed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ExitWithAnOpenPort(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace qx::port
