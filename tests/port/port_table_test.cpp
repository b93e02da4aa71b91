#include <gtest/gtest.h>

#include <cstring>

#include "tests/port/port_test_support.h"
#include "utility/port/ethernet_port.h"
#include "utility/port/parallel_port.h"
#include "utility/port/port_table.h"
#include "utility/port/serial_port.h"
#include "utility/port/threaded_port.h"

namespace qx::port {
namespace {

using testing::PortLibraryFixture;

class PortTable : public ::testing::Test {
 protected:
  PortLibraryFixture library;
};

TEST_F(PortTable, EveryFunctionRejectsIndexesOutsideTheTableAndEmptyEntries) {
  PortSettings settings = testing::UsbSettings(1);
  PortCallbacks callbacks{};
  PortInfo info{};
  char buffer[16] = {};
  for (int index : {-1, 256, 300, 4, 200}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(PortOpen(index), -1);
    int written = 77;
    EXPECT_EQ(PortWrite(index, 0, buffer, 4, &written), -1);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(PortWrite(index, 0, buffer, 4, nullptr), -1);
    int read = 77;
    EXPECT_EQ(PortRead(index, buffer, 4, &read), -1);
    EXPECT_EQ(read, 0);
    EXPECT_EQ(PortRead(index, buffer, 4, nullptr), -1);
    EXPECT_EQ(PortClose(index), -1);
    EXPECT_EQ(PortDeviceCheck(index), -1);
    EXPECT_EQ(PortGetInfo(index, &info), -1);
    EXPECT_EQ(PortIsOpen(index), -1);
    EXPECT_EQ(PortIsReady(index), -1);
    EXPECT_EQ(PortGetHandle(index), -1);
    EXPECT_EQ(PortSetConfig(index, &settings), -1);
    EXPECT_EQ(PortGetPendingWrite(index), -1);
    EXPECT_EQ(PortPurgeWrite(index), -1);
    EXPECT_EQ(PortResumeWrite(index), -1);
    EXPECT_EQ(PortSuspendWrite(index), -1);
    EXPECT_EQ(PortSetWriteChunk(index, 100), -1);
    EXPECT_EQ(PortGetReadCount(index), -1);
    EXPECT_EQ(PortPurgeRead(index), -1);
    EXPECT_EQ(PortResumeRead(index), -1);
    EXPECT_EQ(PortSuspendRead(index), -1);
    EXPECT_EQ(PortSetReadChunk(index, 100), -1);
    EXPECT_EQ(PortSetFlowOverride(index, 1), -1);
    EXPECT_EQ(PortGetId(index), -1);
    EXPECT_EQ(PortGetType(index), -1);
    EXPECT_EQ(PortSetCallbacks(index, &callbacks), -1);
  }
}

TEST_F(PortTable, CreateFillsTheLowestEmptyEntryWithTheTypeAsked) {
  for (int index = 0; index < 4; ++index) {
    EXPECT_EQ(PortGetId(index), index);
    EXPECT_EQ(PortGetType(index), index);
  }
  EXPECT_EQ(PortCreate(4), -1);
  EXPECT_EQ(PortGetType(4), -1);
  EXPECT_EQ(PortCreate(-1), -1);
  EXPECT_EQ(PortCreate(kPortTypeUsb), 4);
  EXPECT_EQ(PortDestroy(1), 1);
  EXPECT_EQ(PortCreate(kPortTypeEthernet), 1);
  EXPECT_EQ(PortGetType(1), kPortTypeEthernet);
}

TEST_F(PortTable, CreateFailsWhenTheTableIsFull) {
  for (int index = 4; index < kPortTableSize; ++index) ASSERT_EQ(PortCreate(kPortTypeParallel), index);
  EXPECT_EQ(PortCreate(kPortTypeParallel), -1);
}

TEST_F(PortTable, DestroyRejectsOnlyIndexesOutsideTheTable) {
  EXPECT_EQ(PortDestroy(300), -1);
  EXPECT_EQ(PortDestroy(-1), -1);
  EXPECT_EQ(PortDestroy(200), 1);
  EXPECT_EQ(PortDestroy(2), 1);
  EXPECT_EQ(PortGetType(2), -1);
  EXPECT_EQ(PortDestroy(2), 1);
}

TEST_F(PortTable, ShutdownEmptiesTheTable) {
  PortCreate(kPortTypeUsb);
  PortShutdown();
  for (int index = 0; index < 6; ++index) EXPECT_EQ(PortGetType(index), -1);
  PortInitialize(nullptr);
  EXPECT_EQ(PortCreate(kPortTypeSerial), 0);
}

TEST_F(PortTable, WriteChunkSetsTheQueueLimitToTwiceTheChunkAndAtLeast4096) {
  auto* usb = static_cast<ThreadedPort*>(PortTableEntry(kPortTypeUsb));
  EXPECT_EQ(usb->WriteQueue().Limit(), 0u);  // no limit until a chunk is set or the port opens
  EXPECT_EQ(PortSetWriteChunk(2, 65536), 1);
  EXPECT_EQ(usb->WriteQueue().Limit(), 131072u);
  EXPECT_EQ(PortSetWriteChunk(2, 65537), 0);
  EXPECT_EQ(PortSetWriteChunk(2, 0), 0);
  EXPECT_EQ(usb->WriteQueue().Limit(), 131072u);
  EXPECT_EQ(usb->GetWriteChunk(), 65536);
  EXPECT_EQ(PortSetWriteChunk(2, 100), 1);
  EXPECT_EQ(usb->WriteQueue().Limit(), 4096u);
  EXPECT_EQ(usb->GetWriteChunk(), 100);
  EXPECT_EQ(PortSetWriteChunk(2, 3000), 1);
  EXPECT_EQ(usb->WriteQueue().Limit(), 6000u);
}

TEST_F(PortTable, ReadChunkAcceptsUpTo65540) {
  EXPECT_EQ(PortSetReadChunk(2, 65540), 1);
  EXPECT_EQ(PortSetReadChunk(2, 65541), 0);
  EXPECT_EQ(PortSetReadChunk(2, 0), 0);
  EXPECT_EQ(static_cast<ThreadedPort*>(PortTableEntry(2))->GetReadChunk(), 65540);
  // The serial port only checks: its read chunk stays 4096.
  EXPECT_EQ(PortSetReadChunk(0, 100), 1);
  EXPECT_EQ(PortSetReadChunk(0, 65541), 0);
  EXPECT_EQ(PortTableEntry(0)->GetReadChunk(), 4096);
}

TEST_F(PortTable, ConstructionDefaultsOfTheChunks) {
  EXPECT_EQ(PortTableEntry(1)->GetReadChunk(), 256);
  EXPECT_EQ(PortTableEntry(2)->GetReadChunk(), 256);
  EXPECT_EQ(PortTableEntry(3)->GetReadChunk(), 1024);
  for (int index = 0; index < 4; ++index) EXPECT_EQ(PortTableEntry(index)->GetWriteChunk(), 1024);
}

TEST_F(PortTable, ClosedPortsRefuseDataAndReportZeroCounts) {
  char buffer[8] = {};
  for (int index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    int count = 5;
    EXPECT_EQ(PortWrite(index, 0, buffer, 8, &count), 0);
    EXPECT_EQ(count, 0);
    count = 5;
    EXPECT_EQ(PortRead(index, buffer, 8, &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(PortIsOpen(index), 0);
    EXPECT_EQ(PortClose(index), 1);
    EXPECT_EQ(PortGetHandle(index), -1);
    EXPECT_EQ(PortGetPendingWrite(index), 0);
    EXPECT_EQ(PortPurgeRead(index), 1);
  }
  EXPECT_EQ(PortIsReady(1), 1);  // the parallel port is always ready
  EXPECT_EQ(PortIsReady(2), 0);
  EXPECT_EQ(testing::CallbackLog::Get().Closes(), 0);  // closing a closed port calls nothing
}

TEST_F(PortTable, SerialSetConfigTranslatesTheLineCodes) {
  PortSettings settings{};
  settings.comPort = 2;
  settings.baudCode = 9;
  settings.dataBits = 7;
  settings.parityCode = 2;
  settings.stopBitsCode = 2;
  settings.flowCode = 5;
  settings.writeTotalConstant = 8000;
  settings.direct = 1;
  ASSERT_EQ(PortSetConfig(0, &settings), 1);
  auto* serial = static_cast<SerialPort*>(PortTableEntry(0));
  EXPECT_EQ(serial->ComNumber(), 2);
  EXPECT_EQ(serial->Line().baudRate, 19200u);
  EXPECT_EQ(serial->Line().byteSize, 7);
  EXPECT_EQ(serial->Line().parity, 2);
  EXPECT_EQ(serial->Line().stopBits, 2);
  EXPECT_TRUE(serial->Line().outxCtsFlow);
  EXPECT_TRUE(serial->Line().outxDsrFlow);
  EXPECT_EQ(serial->Line().rtsControl, kLineControlHandshake);
  EXPECT_EQ(serial->Timeouts()[4], 8000u);
  EXPECT_EQ(serial->DirectMode(), 1);

  // Code 7 leaves the flow fields as they were, and still clears DSR sensitivity.
  SerialLine line;
  line.dsrSensitivity = true;
  line.outxCtsFlow = true;
  ApplyFlowCode(line, 7);
  EXPECT_FALSE(line.dsrSensitivity);
  EXPECT_TRUE(line.outxCtsFlow);
  EXPECT_EQ(BaudRateFromCode(4), 19200u);
  EXPECT_EQ(BaudRateFromCode(7), 115200u);
}

TEST_F(PortTable, ParallelAndEthernetSetConfig) {
  PortSettings settings{};
  settings.lptPort = 1;
  settings.readTotalConstant = 10;
  settings.writeTotalConstant = 500;
  settings.ipAddress[0] = 10;
  settings.ipAddress[1] = 0;
  settings.ipAddress[2] = 0;
  settings.ipAddress[3] = 5;
  settings.direct = 1;
  ASSERT_EQ(PortSetConfig(1, &settings), 1);
  auto* parallel = static_cast<ParallelPort*>(PortTableEntry(1));
  EXPECT_EQ(parallel->LptNumber(), 1);
  EXPECT_EQ(parallel->Timeouts()[0], 0xFFFFFFFFu);
  EXPECT_EQ(parallel->Timeouts()[2], 10u);
  EXPECT_EQ(parallel->Timeouts()[4], 500u);
  EXPECT_EQ(parallel->DirectMode(), 1);

  auto* ethernet = static_cast<EthernetPort*>(PortTableEntry(3));
  char ip[kIpTextSize];
  ethernet->IpText(ip, sizeof ip);
  EXPECT_STREQ(ip, "192.168.192.168");
  ASSERT_EQ(PortSetConfig(3, &settings), 1);
  ethernet->IpText(ip, sizeof ip);
  EXPECT_STREQ(ip, "10.0.0.5");
  EXPECT_EQ(ethernet->DirectMode(), 1);
}

}  // namespace
}  // namespace qx::port
