#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "tests/port/echo_device.h"
#include "utility/port/port_api.h"
#include "utility/port/port_driver.h"

// Two application threads stream through one threaded USB port against an echo device: one
// writes a position-keyed byte stream in random pieces, the other reads it back in random pieces
// and checks that every byte arrives once and in order, while a third asks for the device status.
// The stream is 64 MiB each way; QX_STRESS_MIB sets another size for slower builds.
namespace qx::port {
namespace {

std::uint64_t StreamBytes() {
  const char* text = std::getenv("QX_STRESS_MIB");
  long mib = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
  return (mib > 0 && mib <= 1024 ? static_cast<std::uint64_t>(mib) : 64u) << 20;
}

std::uint8_t StreamByte(std::uint64_t position) {
  std::uint64_t x = position * 0x9E3779B97F4A7C15ull;
  return static_cast<std::uint8_t>(x >> 56);
}

TEST(PortStress, EveryByteArrivesOnceAndInOrderBothWays) {
  const std::uint64_t kStreamBytes = StreamBytes();
  testing::DeviceUnderTest device = testing::EchoDevice();
  ASSERT_NE(device.driver, nullptr);
  std::printf("streaming %llu MiB each way\n", static_cast<unsigned long long>(kStreamBytes >> 20));
  SetPortDriver(device.driver);
  PortInitialize(nullptr);
  const int usb = PortCreate(kPortTypeUsb);
  ASSERT_GE(usb, 0);
  PortSettings settings{};
  settings.usbIndex = static_cast<std::int32_t>(device.deviceIndex);
  settings.readTotalConstant = 1;
  settings.writeTotalConstant = 2000;
  ASSERT_EQ(PortSetConfig(usb, &settings), 1);
  ASSERT_EQ(PortOpen(usb), 1);

  std::atomic<bool> failed{false};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  auto timedOut = [&] { return std::chrono::steady_clock::now() > deadline; };

  std::thread writer([&] {
    std::mt19937 random(1234);
    std::vector<std::uint8_t> piece(70000);
    std::uint64_t position = 0;
    while (position < kStreamBytes && !failed && !timedOut()) {
      if (random() % 16 == 0) PortSetWriteChunk(usb, 1 + static_cast<int>(random() % 65536));
      auto n = static_cast<int>(std::min<std::uint64_t>(1 + random() % piece.size(), kStreamBytes - position));
      for (int i = 0; i < n; ++i) piece[i] = StreamByte(position + i);
      int written = 0;
      while (PortWrite(usb, 0, piece.data(), n, &written) != 1 && !failed && !timedOut()) {
        ASSERT_EQ(written, 0);  // a piece is taken whole or not at all
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      position += static_cast<std::uint64_t>(n);
    }
  });

  std::uint64_t received = 0;
  std::uint64_t mismatchAt = UINT64_MAX;
  std::thread reader([&] {
    std::mt19937 random(5678);
    std::vector<std::uint8_t> buffer(100000);
    while (received < kStreamBytes && !timedOut()) {
      if (random() % 16 == 0) PortSetReadChunk(usb, 1 + static_cast<int>(random() % 65540));
      int want = 1 + static_cast<int>(random() % buffer.size());
      int read = 0;
      PortRead(usb, buffer.data(), want, &read);
      for (int i = 0; i < read; ++i) {
        if (buffer[i] != StreamByte(received + i)) {
          mismatchAt = received + i;
          failed = true;
          return;
        }
      }
      received += static_cast<std::uint64_t>(read);
      if (read == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });

  // The application's status requests share the handle with the two workers.
  std::atomic<bool> streaming{true};
  std::thread status([&] {
    while (streaming) {
      PortIsReady(usb);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });

  writer.join();
  reader.join();
  streaming = false;
  status.join();
  EXPECT_EQ(mismatchAt, UINT64_MAX) << "first wrong byte at stream position " << mismatchAt;
  EXPECT_EQ(received, kStreamBytes);
  // Nothing more than was sent comes back.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(PortGetReadCount(usb), 0);
  EXPECT_EQ(PortGetPendingWrite(usb), 0);
  EXPECT_EQ(PortClose(usb), 1);
  PortShutdown();
  SetPortDriver(nullptr);
  int overlaps = testing::OverlappingDeviceCalls();
  if (overlaps >= 0) {
    EXPECT_EQ(overlaps, 0);
  }
  int handles = testing::OpenDeviceHandles();
  if (handles >= 0) {
    EXPECT_EQ(handles, 0);
  }
}

}  // namespace
}  // namespace qx::port
