#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/port/port_test_support.h"
#include "utility/port/notifications.h"
#include "utility/port/port_table.h"
#include "utility/port/qxusb_contract.h"
#include "utility/port/threaded_port.h"

namespace qx::port {
namespace {

using qxusb::DriverStatus;
using testing::CallbackLog;
using testing::FakeDriver;
using testing::UsbSettings;
using testing::WaitFor;

constexpr int kUsb = 2;
const char kDevice0[] = "\\\\?\\usb#vid_0dd4&pid_0200#0#{5dd901c0}";
const char kDevice1[] = "\\\\?\\usb#vid_0dd4&pid_0200#1#{5dd901c0}";

std::vector<std::uint8_t> Word32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

std::vector<std::uint32_t> Block(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint32_t> words(bytes.size() / 4);
  std::memcpy(words.data(), bytes.data(), words.size() * 4);
  return words;
}

class UsbPortTest : public ::testing::Test {
 protected:
  UsbPortTest() {
    driver().AddDevice(kDevice0);
    driver().AddDevice(kDevice1, true, false);
  }

  FakeDriver& driver() { return library.driver; }
  CallbackLog& log() { return CallbackLog::Get(); }

  int Configure(int direct, int usbIndex = 0, int usbFunction = 0) {
    PortSettings settings = UsbSettings(direct, usbIndex, usbFunction);
    return PortSetConfig(kUsb, &settings);
  }

  std::vector<std::string> OpenedPaths() {
    std::vector<std::string> paths;
    for (const auto& call : driver().CallsOf('O')) paths.push_back(call.path);
    return paths;
  }

  testing::PortLibraryFixture library;
};

// --- Open and Close -------------------------------------------------------------------------

TEST_F(UsbPortTest, OpenOfTheScannerFunctionSendsTheTimeoutBlockAndCallsOnOpenOnce) {
  Configure(1, 0, 0);
  ASSERT_EQ(PortOpen(kUsb), 1);
  EXPECT_EQ(PortIsOpen(kUsb), 1);
  EXPECT_EQ(OpenedPaths(), std::vector<std::string>{std::string(kDevice0) + "\\QX"});
  auto blocks = driver().ControlCalls(qxusb::kSetTimeouts);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].handle, PortGetHandle(kUsb));
  EXPECT_EQ(Block(blocks[0].input), (std::vector<std::uint32_t>{0, 10, 0, 2000, 0, 0, 0, 0}));
  EXPECT_EQ(log().Opens(), 1);

  // Open on an open port: 1, nothing asked of the driver, no second on-open.
  driver().ClearLog();
  EXPECT_EQ(PortOpen(kUsb), 1);
  EXPECT_TRUE(driver().Calls().empty());
  EXPECT_EQ(log().Opens(), 1);
}

TEST_F(UsbPortTest, DeviceIndex1000OpensMemberZero) {
  Configure(1, 1000, 0);
  ASSERT_EQ(PortOpen(kUsb), 1);
  auto enumerations = driver().CallsOf('E');
  ASSERT_EQ(enumerations.size(), 1u);
  EXPECT_EQ(enumerations[0].code, 0u);
  EXPECT_EQ(OpenedPaths()[0], std::string(kDevice0) + "\\QX");
}

TEST_F(UsbPortTest, NoInterfaceAtTheIndexGivesMinusOneWithoutOpeningAnything) {
  Configure(1, 2, 0);
  EXPECT_EQ(PortOpen(kUsb), -1);
  EXPECT_TRUE(driver().CallsOf('O').empty());
  EXPECT_EQ(PortIsOpen(kUsb), 0);
  EXPECT_EQ(log().Opens(), 0);
}

TEST_F(UsbPortTest, SelectorTwoOpensOnlyTheDisplayFunctionAndMakesItActive) {
  Configure(1, 0, 1);
  ASSERT_EQ(PortOpen(kUsb), 1);
  EXPECT_EQ(OpenedPaths(), std::vector<std::string>{std::string(kDevice0) + "\\KD"});
  auto blocks = driver().ControlCalls(qxusb::kSetTimeouts);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].handle, PortGetHandle(kUsb));
  EXPECT_EQ(driver().OpenHandleCount(), 1);
}

TEST_F(UsbPortTest, BothFunctionsOpenAndTheScannerIsActive) {
  Configure(1, 0, 5);
  ASSERT_EQ(PortOpen(kUsb), 1);
  EXPECT_EQ(OpenedPaths(), (std::vector<std::string>{std::string(kDevice0) + "\\QX", std::string(kDevice0) + "\\KD"}));
  auto blocks = driver().ControlCalls(qxusb::kSetTimeouts);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].handle, PortGetHandle(kUsb));
  EXPECT_NE(blocks[1].handle, PortGetHandle(kUsb));
  EXPECT_EQ(PortClose(kUsb), 1);
  EXPECT_EQ(driver().OpenHandleCount(), 0);
}

TEST_F(UsbPortTest, SelectorZeroWithoutADisplayFunctionStillOpens) {
  Configure(1, 1, 5);
  ASSERT_EQ(PortOpen(kUsb), 1);
  EXPECT_EQ(driver().OpenHandleCount(), 1);
  EXPECT_EQ(driver().ControlCalls(qxusb::kSetTimeouts).size(), 1u);
}

TEST_F(UsbPortTest, RefusedTimeoutBlockFailsTheOpenWithEveryHandleClosed) {
  driver().SetControlFailure(qxusb::kSetTimeouts);
  Configure(1, 0, 5);
  EXPECT_EQ(PortOpen(kUsb), 0);
  EXPECT_EQ(driver().OpenHandleCount(), 0);
  EXPECT_EQ(PortIsOpen(kUsb), 0);
  EXPECT_EQ(PortGetHandle(kUsb), -1);
  EXPECT_EQ(log().Opens(), 0);
}

TEST_F(UsbPortTest, MissingScannerFunctionFailsTheOpenAndReleasesTheDisplayHandle) {
  driver().AddDevice("\\\\?\\usb#display-only", false, true);
  Configure(1, 2, 5);
  EXPECT_EQ(PortOpen(kUsb), 0);
  EXPECT_EQ(OpenedPaths().size(), 2u);
  EXPECT_EQ(driver().OpenHandleCount(), 0);
  EXPECT_EQ(log().Opens(), 0);
}

TEST_F(UsbPortTest, CloseReleasesTheHandlesAndCallsOnCloseOnlyWhenItWasOpen) {
  Configure(1);
  ASSERT_EQ(PortOpen(kUsb), 1);
  EXPECT_EQ(PortClose(kUsb), 1);
  EXPECT_EQ(PortIsOpen(kUsb), 0);
  EXPECT_EQ(driver().OpenHandleCount(), 0);
  EXPECT_EQ(log().Closes(), 1);
  EXPECT_EQ(PortClose(kUsb), 1);
  EXPECT_EQ(log().Closes(), 1);
}

TEST_F(UsbPortTest, DestroyingAnOpenThreadedPortClosesIt) {
  Configure(0);
  ASSERT_EQ(PortOpen(kUsb), 1);
  EXPECT_EQ(PortDestroy(kUsb), 1);
  EXPECT_EQ(driver().OpenHandleCount(), 0);
  EXPECT_EQ(log().Closes(), 1);
}

TEST_F(UsbPortTest, SetConfigWhileOpenSwitchesTheActiveFunctionAndResendsTheTimeouts) {
  Configure(1, 0, 5);
  ASSERT_EQ(PortOpen(kUsb), 1);
  std::int32_t scanner = PortGetHandle(kUsb);
  driver().ClearLog();
  ASSERT_EQ(Configure(1, 0, 1), 1);
  EXPECT_NE(PortGetHandle(kUsb), scanner);
  EXPECT_EQ(driver().ControlCalls(qxusb::kSetTimeouts).size(), 2u);
  // A refused block while open is reported.
  driver().SetControlFailure(qxusb::kSetTimeouts);
  EXPECT_EQ(Configure(1, 0, 1), 0);
  // The next open uses the display function only; Close released both handles of this one.
  EXPECT_EQ(PortClose(kUsb), 1);
  EXPECT_EQ(driver().OpenHandleCount(), 0);
}

// --- Status requests ------------------------------------------------------------------------

TEST_F(UsbPortTest, IsReadyReadsBitZeroOfTheTwoByteStatus) {
  Configure(1);
  EXPECT_EQ(PortIsReady(kUsb), 0);  // closed
  ASSERT_EQ(PortOpen(kUsb), 1);
  EXPECT_EQ(PortIsReady(kUsb), 1);
  auto calls = driver().ControlCalls(qxusb::kGetXbStatus);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].size, 2u);
  driver().SetControlReply(qxusb::kGetXbStatus, {0x01, 0x00});
  EXPECT_EQ(PortIsReady(kUsb), 0);
  driver().SetControlReply(qxusb::kGetXbStatus, {0x02, 0x00});
  EXPECT_EQ(PortIsReady(kUsb), 1);
  driver().SetControlFailure(qxusb::kGetXbStatus);
  EXPECT_EQ(PortIsReady(kUsb), 0);
}

TEST_F(UsbPortTest, DeviceCheckIsTheSuccessOfItsRequest) {
  Configure(1);
  ASSERT_EQ(PortOpen(kUsb), 1);
  EXPECT_EQ(PortDeviceCheck(kUsb), 1);
  auto calls = driver().ControlCalls(qxusb::kDeviceCheck);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].input.size(), 4u);
  EXPECT_EQ(calls[0].size, 4u);
  driver().SetControlFailure(qxusb::kDeviceCheck);
  EXPECT_EQ(PortDeviceCheck(kUsb), 0);
}

TEST_F(UsbPortTest, FlowOverride) {
  Configure(1);
  EXPECT_EQ(PortSetFlowOverride(kUsb, 1), 0);  // closed
  ASSERT_EQ(PortOpen(kUsb), 1);
  driver().SetControlReply(qxusb::kSetStatusExchangeMode, {});
  EXPECT_EQ(PortSetFlowOverride(kUsb, 1), 1);
  auto calls = driver().ControlCalls(qxusb::kSetStatusExchangeMode);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].input, (std::vector<std::uint8_t>{2, 0}));

  EXPECT_EQ(PortSetFlowOverride(kUsb, 0), 1);
  EXPECT_EQ(driver().ControlCalls(qxusb::kSetStatusExchangeMode).back().input, (std::vector<std::uint8_t>{0, 0}));
  EXPECT_EQ(driver().ControlCalls(qxusb::kGetXbStatus).back().size, 4u);

  // A device that keeps holding: the rounds end after their bound with 0.
  driver().SetControlReply(qxusb::kGetXbStatus, Word32(qxusb::kXbStatusHolding));
  EXPECT_EQ(PortSetFlowOverride(kUsb, 0), 0);
  driver().SetControlFailure(qxusb::kSetStatusExchangeMode);
  EXPECT_EQ(PortSetFlowOverride(kUsb, 0), 0);
  EXPECT_EQ(PortSetFlowOverride(kUsb, 1), 0);
}

// --- Information ----------------------------------------------------------------------------

TEST_F(UsbPortTest, GetInfoFillsEveryFieldFromItsRequest) {
  Configure(1);
  ASSERT_EQ(PortOpen(kUsb), 1);
  std::vector<std::uint8_t> descriptor(18, 0);
  descriptor[12] = 0x05;
  descriptor[13] = 0x01;
  driver().SetControlReply(qxusb::kGetDeviceDescriptor, descriptor);
  driver().SetControlReply(qxusb::kGetDriverVersion, Word32(0x30A));
  driver().SetControlReply(qxusb::kGetStringDescriptors,
                           {4, 3, 9, 4, 4, 3, 'N', 0, 6, 3, 'Q', 0, 'X', 0, 4, 3, 'S', 0});
  driver().SetControlReply(qxusb::kGetXbString, {8, 3, '1', 0, '2', 0, '3', 0});
  driver().SetControlReply(qxusb::kGetXbConfiguration, Word32(0x42 | 0x10));
  PortInfo info{};
  EXPECT_EQ(PortGetInfo(kUsb, &info), 0);
  EXPECT_STREQ(info.deviceRelease, "1.05");
  EXPECT_STREQ(info.driverVersion, "3.0A");
  EXPECT_STREQ(info.firstDeviceString, "QX");
  EXPECT_STREQ(info.secondDeviceString, "S");
  EXPECT_STREQ(info.serialNumber, "123");
  EXPECT_EQ(info.statusFlag, 1);
  EXPECT_EQ(info.linkMode, 3);
  EXPECT_EQ(driver().ControlCalls(qxusb::kGetStringDescriptors)[0].size, 1024u);
  EXPECT_EQ(driver().ControlCalls(qxusb::kGetXbString)[0].size, 512u);
}

TEST_F(UsbPortTest, GetInfoLinkModeTable) {
  Configure(1);
  ASSERT_EQ(PortOpen(kUsb), 1);
  const std::pair<std::uint32_t, int> cases[] = {{0x10, 3}, {0x24, 4}, {0x04, 1}, {0x0C, 0}};
  for (auto [flags, mode] : cases) {
    driver().SetControlReply(qxusb::kGetXbConfiguration, Word32(flags));
    PortInfo info{};
    info.linkMode = 99;
    PortGetInfo(kUsb, &info);
    EXPECT_EQ(info.linkMode, mode) << std::hex << flags;
    EXPECT_EQ(info.statusFlag, 0);
  }
  // A failed request clears the status flag and leaves the link mode alone.
  driver().SetControlFailure(qxusb::kGetXbConfiguration);
  PortInfo info{};
  info.statusFlag = 1;
  info.linkMode = 7;
  PortGetInfo(kUsb, &info);
  EXPECT_EQ(info.statusFlag, 0);
  EXPECT_EQ(info.linkMode, 7);
}

TEST_F(UsbPortTest, GetInfoOnAClosedPortGivesEmptyTexts) {
  PortInfo info;
  std::memset(&info, 'x', sizeof info);
  EXPECT_EQ(PortGetInfo(kUsb, &info), 0);
  EXPECT_STREQ(info.deviceRelease, "");
  EXPECT_STREQ(info.driverVersion, "");
  EXPECT_STREQ(info.firstDeviceString, "");
  EXPECT_STREQ(info.serialNumber, "");
  EXPECT_EQ(info.statusFlag, 0);
}

// --- Direct mode ----------------------------------------------------------------------------

TEST_F(UsbPortTest, DirectWriteEndedByTheDriverTimeOutReportsTheDriversCount) {
  Configure(1);
  ASSERT_EQ(PortOpen(kUsb), 1);
  driver().ScriptWrites({{DriverStatus::kSemTimeout, 0}});
  driver().SetControlReply(qxusb::kGetWrittenAfterTimeout, Word32(7));
  std::uint8_t data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  int written = -1;
  EXPECT_EQ(PortWrite(kUsb, 42, data, 10, &written), 0);
  EXPECT_EQ(written, 7);
  EXPECT_EQ(driver().CallsOf('W').size(), 1u);
  auto progress = log().ProgressCalls();
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_EQ(progress[0].tag, 42);
  EXPECT_EQ(progress[0].count, 7);
  EXPECT_EQ(progress[0].complete, 0);
}

TEST_F(UsbPortTest, DirectWriteNeverCountsMoreThanItWasGiven) {
  Configure(1);
  ASSERT_EQ(PortOpen(kUsb), 1);
  driver().ScriptWrites({{DriverStatus::kSemTimeout, 0}});
  driver().SetControlReply(qxusb::kGetWrittenAfterTimeout, Word32(100000));
  std::uint8_t data[10] = {};
  int written = -1;
  PortWrite(kUsb, 0, data, 10, &written);
  EXPECT_EQ(written, 10);
}

TEST_F(UsbPortTest, DirectWriteRetriesAFailedCallAndSucceedsWhenEveryByteWentOut) {
  Configure(1);
  ASSERT_EQ(PortOpen(kUsb), 1);
  driver().ScriptWrites({{DriverStatus::kFailed, 0}, {DriverStatus::kFailed, 0}});
  std::uint8_t data[5] = {9, 8, 7, 6, 5};
  int written = -1;
  EXPECT_EQ(PortWrite(kUsb, 3, data, 5, &written), 1);
  EXPECT_EQ(written, 5);
  EXPECT_EQ(driver().CallsOf('W').size(), 3u);
  EXPECT_EQ(driver().Written(), std::vector<std::uint8_t>(data, data + 5));
  auto progress = log().ProgressCalls();
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_EQ(progress[0].complete, 1);
  EXPECT_EQ(progress[0].count, 5);
}

TEST_F(UsbPortTest, DirectWriteGivesUpAfterTheWriteTimeOut) {
  PortSettings settings = UsbSettings(1);
  settings.writeTotalConstant = 40;
  PortSetConfig(kUsb, &settings);
  ASSERT_EQ(PortOpen(kUsb), 1);
  std::vector<FakeDriver::WriteOutcome> failures(1000, {DriverStatus::kFailed, 0});
  driver().ScriptWrites(failures);
  std::uint8_t data[5] = {};
  int written = -1;
  EXPECT_EQ(PortWrite(kUsb, 0, data, 5, &written), 0);
  EXPECT_EQ(written, 0);
  EXPECT_GE(driver().CallsOf('W').size(), 2u);
  EXPECT_LT(driver().CallsOf('W').size(), 1000u);
}

TEST_F(UsbPortTest, DirectReadTakesOneDriverReadAndReportsShortReads) {
  Configure(1);
  ASSERT_EQ(PortOpen(kUsb), 1);
  driver().FeedInput({1, 2, 3, 4, 5, 6, 7, 8});
  std::uint8_t buffer[8] = {};
  int read = -1;
  EXPECT_EQ(PortRead(kUsb, buffer, 5, &read), 1);
  EXPECT_EQ(read, 5);
  EXPECT_EQ(PortRead(kUsb, buffer, 8, &read), 0);
  EXPECT_EQ(read, 3);
  EXPECT_EQ(buffer[0], 6);
  driver().ClearLog();
  EXPECT_EQ(PortRead(kUsb, buffer, 0, &read), 0);
  EXPECT_EQ(PortRead(kUsb, buffer, -4, &read), 0);
  EXPECT_EQ(read, 0);
  EXPECT_TRUE(driver().CallsOf('R').empty());
}

// --- Threaded mode --------------------------------------------------------------------------

class ThreadedUsbPortTest : public UsbPortTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(Configure(0), 1);
    ASSERT_EQ(PortOpen(kUsb), 1);
  }
  ThreadedPort& port() { return *static_cast<ThreadedPort*>(PortTableEntry(kUsb)); }
};

TEST_F(ThreadedUsbPortTest, TenByteWriteOnAnIdlePortIsOneBatchWithOneProgressCall) {
  driver().ClearLog();
  std::uint8_t data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  int written = -1;
  EXPECT_EQ(PortWrite(kUsb, 55, data, 10, &written), 1);
  EXPECT_EQ(written, 10);
  ASSERT_TRUE(WaitFor([&] { return log().ProgressCalls().size() == 1 && PortGetPendingWrite(kUsb) == 0; }));
  // Another batch would show within a few writer steps; give it that long.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  auto progress = log().ProgressCalls();
  ASSERT_EQ(progress.size(), 1u);
  EXPECT_EQ(progress[0].index, kUsb);
  EXPECT_EQ(progress[0].tag, 0);
  EXPECT_EQ(progress[0].count, 10);
  EXPECT_EQ(progress[0].complete, 1);
  auto writes = driver().CallsOf('W');
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].size, 10u);
  EXPECT_EQ(driver().Written(), std::vector<std::uint8_t>(data, data + 10));
}

TEST_F(ThreadedUsbPortTest, WriterTakesAtMostOneChunkPerBatch) {
  ASSERT_EQ(PortSetWriteChunk(kUsb, 100), 1);
  std::vector<std::uint8_t> data(250);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(PortWrite(kUsb, 0, data.data(), 250, nullptr), 1);
  ASSERT_TRUE(WaitFor([&] { return driver().Written().size() == 250; }));
  EXPECT_EQ(driver().Written(), data);
  for (const auto& write : driver().CallsOf('W')) EXPECT_LE(write.size, 100u);
  // Each chunk asks the driver for its current write time-outs first.
  EXPECT_GE(driver().ControlCalls(qxusb::kGetTimeouts).size(), 3u);
}

TEST_F(ThreadedUsbPortTest, ThreadedReadWithFewerBytesQueuedDeliversAndConsumesThem) {
  driver().FeedInput({10, 11, 12, 13, 14, 15});
  ASSERT_TRUE(WaitFor([] { return PortGetReadCount(kUsb) == 6; }));
  EXPECT_GE(log().Receives(), 1);
  std::uint8_t buffer[10] = {};
  int read = -1;
  EXPECT_EQ(PortRead(kUsb, buffer, 10, &read), 0);
  EXPECT_EQ(read, 6);
  EXPECT_EQ(buffer[0], 10);
  EXPECT_EQ(buffer[5], 15);
  EXPECT_EQ(PortGetReadCount(kUsb), 0);
  EXPECT_EQ(PortRead(kUsb, buffer, 10, &read), 0);
  EXPECT_EQ(read, 0);
}

TEST_F(ThreadedUsbPortTest, OpenSetsTheWriteQueueLimitAndAFullQueueRefusesWrites) {
  // Hold the writer inside one slow link call so the queue only grows.
  driver().SetWriteDelayMs(500);
  std::uint8_t data[4096] = {};
  ASSERT_EQ(PortWrite(kUsb, 0, data, 1, nullptr), 1);
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard<std::mutex> lock(port().WriteLock());
    return port().WriteQueue().Count() == 0;
  }));
  {
    std::lock_guard<std::mutex> lock(port().WriteLock());
    EXPECT_EQ(port().WriteQueue().Limit(), 4096u);
  }
  int written = -1;
  EXPECT_EQ(PortWrite(kUsb, 0, data, 4095, &written), 1);
  EXPECT_EQ(written, 4095);
  EXPECT_EQ(PortWrite(kUsb, 0, data, 3, &written), 1);  // one below the limit: accepted whole
  EXPECT_EQ(written, 3);
  EXPECT_EQ(PortWrite(kUsb, 0, data, 1, &written), 0);  // at or past the limit: refused
  EXPECT_EQ(written, 0);
  EXPECT_EQ(PortGetPendingWrite(kUsb), 4098 + 1);
  PortPurgeWrite(kUsb);
  driver().SetWriteDelayMs(0);
}

TEST_F(ThreadedUsbPortTest, PurgeWriteDuringABatchDropsTheRestOfIt) {
  // The first link call of the batch is held inside the driver, and takes only 100 of the 1024
  // bytes when it is let go: the purge surely lands while that call is in flight.
  driver().HoldWrites();
  driver().ScriptWrites({{DriverStatus::kOk, 100}});
  std::vector<std::uint8_t> data(3000, 0xAB);
  ASSERT_EQ(PortWrite(kUsb, 0, data.data(), 3000, nullptr), 1);
  ASSERT_TRUE(WaitFor([&] { return driver().WritesWaiting() == 1; }));
  {
    std::lock_guard<std::mutex> lock(port().WriteLock());
    EXPECT_EQ(port().WriteQueue().LastPopCount(), 1024u);
  }
  EXPECT_EQ(PortGetPendingWrite(kUsb), 3000);
  EXPECT_EQ(PortPurgeWrite(kUsb), 1);
  EXPECT_EQ(PortGetPendingWrite(kUsb), 0);
  driver().ReleaseWrites();
  // A later write goes out only once the writer has left the purged batch.
  const std::uint8_t later[10] = {0xCD, 0xCD, 0xCD, 0xCD, 0xCD, 0xCD, 0xCD, 0xCD, 0xCD, 0xCD};
  ASSERT_EQ(PortWrite(kUsb, 0, later, 10, nullptr), 1);
  ASSERT_TRUE(WaitFor([&] { return driver().Written().size() >= 110; }));
  std::vector<std::uint8_t> expected(110, 0xCD);
  std::fill_n(expected.begin(), 100, 0xAB);
  EXPECT_EQ(driver().Written(), expected);
  EXPECT_EQ(driver().CallsOf('W').size(), 2u);
  ASSERT_TRUE(WaitFor([&] { return log().ProgressCalls().size() == 2; }));
  auto progress = log().ProgressCalls();
  EXPECT_EQ(progress[0].count, 100);
  EXPECT_EQ(progress[0].complete, 0);
  EXPECT_EQ(progress[1].count, 10);
  EXPECT_EQ(progress[1].complete, 1);
}

TEST_F(ThreadedUsbPortTest, WriteAfterAPurgeOnAnIdlePortGoesOutWhole) {
  EXPECT_EQ(PortPurgeWrite(kUsb), 1);
  std::uint8_t data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  ASSERT_EQ(PortWrite(kUsb, 0, data, 10, nullptr), 1);
  ASSERT_TRUE(WaitFor([&] { return driver().Written().size() == 10; }));
  ASSERT_TRUE(WaitFor([&] { return log().ProgressCalls().size() == 1; }));
  EXPECT_EQ(log().ProgressCalls()[0].complete, 1);
}

// SuspendWrite parks the writer after its batch in flight, with that batch no longer counted as
// pending; a write lifts the hold, even one that a full queue refuses.
TEST_F(ThreadedUsbPortTest, SuspendWriteParksAfterTheBatchAndEveryWriteLiftsIt) {
  driver().HoldWrites();
  std::vector<std::uint8_t> first(1, 0x11);
  ASSERT_EQ(PortWrite(kUsb, 0, first.data(), 1, nullptr), 1);
  ASSERT_TRUE(WaitFor([&] { return driver().WritesWaiting() == 1; }));
  std::vector<std::uint8_t> queued(100, 0x22);
  ASSERT_EQ(PortWrite(kUsb, 0, queued.data(), 100, nullptr), 1);
  EXPECT_EQ(PortSuspendWrite(kUsb), 1);
  driver().ReleaseWrites();
  ASSERT_TRUE(WaitFor([&] { return driver().Written().size() == 1 && PortGetPendingWrite(kUsb) == 100; }));
  // Held: the queued bytes stay where they are.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(driver().Written().size(), 1u);
  EXPECT_EQ(PortGetPendingWrite(kUsb), 100);
  EXPECT_EQ(PortResumeWrite(kUsb), 1);
  ASSERT_TRUE(WaitFor([&] { return driver().Written().size() == 101 && PortGetPendingWrite(kUsb) == 0; }));

  // Fill the queue to its limit behind a batch held in the driver, then hold the writer: the
  // write the full queue refuses still wakes it, so the queue drains with no ResumeWrite.
  driver().HoldWrites();
  ASSERT_EQ(PortWrite(kUsb, 0, first.data(), 1, nullptr), 1);
  ASSERT_TRUE(WaitFor([&] { return driver().WritesWaiting() == 1; }));
  std::vector<std::uint8_t> full(4096, 0x33);
  ASSERT_EQ(PortWrite(kUsb, 0, full.data(), 4096, nullptr), 1);
  EXPECT_EQ(PortSuspendWrite(kUsb), 1);
  int written = -1;
  EXPECT_EQ(PortWrite(kUsb, 0, first.data(), 1, &written), 0);
  EXPECT_EQ(written, 0);
  driver().ReleaseWrites();
  ASSERT_TRUE(WaitFor([&] { return driver().Written().size() == 101 + 1 + 4096; }));
  EXPECT_EQ(PortGetPendingWrite(kUsb), 0);
}

TEST_F(ThreadedUsbPortTest, CloseWhileTheWriterIsIdleReturnsPromptly) {
  std::uint8_t data[10] = {};
  ASSERT_EQ(PortWrite(kUsb, 0, data, 10, nullptr), 1);
  ASSERT_TRUE(WaitFor([&] { return log().ProgressCalls().size() == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the writer has parked itself
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PortClose(kUsb), 1);
  auto took = std::chrono::steady_clock::now() - start;
  // 100 ms of settling plus one read time-out; a lost wake-up would cost seconds or hang.
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  EXPECT_EQ(log().Closes(), 1);
  EXPECT_EQ(driver().OpenHandleCount(), 0);
}

TEST_F(ThreadedUsbPortTest, SuspendReadHoldsTheReaderUntilResumeRead) {
  EXPECT_EQ(PortSuspendRead(kUsb), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  driver().FeedInput({1, 2, 3, 4});
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(PortGetReadCount(kUsb), 0);
  EXPECT_EQ(PortResumeRead(kUsb), 1);
  EXPECT_TRUE(WaitFor([] { return PortGetReadCount(kUsb) == 4; }));
}

TEST_F(ThreadedUsbPortTest, UnreadInputStopsGrowingTheQueueAndNothingIsDropped) {
  ASSERT_EQ(PortSetReadChunk(kUsb, kMaxReadChunk), 1);
  const std::size_t total = kReadQueueCeiling + (1u << 20);
  std::vector<std::uint8_t> input(total);
  for (std::size_t i = 0; i < total; ++i) input[i] = static_cast<std::uint8_t>(i * 7 + (i >> 12));
  driver().FeedInput(input);
  ASSERT_TRUE(WaitFor([] { return static_cast<std::size_t>(PortGetReadCount(kUsb)) >= kReadQueueCeiling; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_LE(static_cast<std::size_t>(PortGetReadCount(kUsb)), kReadQueueCeiling + kMaxReadChunk);

  std::vector<std::uint8_t> got(total);
  std::size_t received = 0;
  ASSERT_TRUE(WaitFor([&] {
    int read = 0;
    PortRead(kUsb, got.data() + received, static_cast<int>(total - received), &read);
    received += static_cast<std::size_t>(read);
    return received == total;
  }));
  EXPECT_TRUE(got == input);
}

TEST_F(ThreadedUsbPortTest, PurgeReadEmptiesTheReadQueueWhileOpen) {
  driver().FeedInput({1, 2, 3});
  ASSERT_TRUE(WaitFor([] { return PortGetReadCount(kUsb) == 3; }));
  EXPECT_EQ(PortPurgeRead(kUsb), 1);
  EXPECT_EQ(PortGetReadCount(kUsb), 0);
}

// --- Removal --------------------------------------------------------------------------------

TEST_F(UsbPortTest, RemovalCheckClosesAPortWhoseDeviceIsGoneAndLeavesOthersOpen) {
  Configure(0);
  ASSERT_EQ(PortOpen(kUsb), 1);
  RunUsbRemovalCheck();
  EXPECT_EQ(PortIsOpen(kUsb), 1);
  EXPECT_EQ(log().Closes(), 0);
  driver().SetControlFailure(qxusb::kGetXbStatus);
  RunUsbRemovalCheck();
  EXPECT_EQ(PortIsOpen(kUsb), 0);
  EXPECT_EQ(log().Closes(), 1);
  RunUsbRemovalCheck();
  EXPECT_EQ(log().Closes(), 1);
  EXPECT_EQ(driver().OpenHandleCount(), 0);
}

}  // namespace
}  // namespace qx::port
