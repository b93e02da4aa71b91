#include "utility/port/port_table.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>

#include "utility/port/ethernet_port.h"
#include "utility/port/notifications.h"
#include "utility/port/parallel_port.h"
#include "utility/port/port_api.h"
#include "utility/port/serial_port.h"
#include "utility/port/usb_port.h"

namespace qx::port {

namespace {

// The table, its lock and the instance handle are never destroyed: a worker or notification
// still running while the process ends must not meet them freed. The ports themselves are closed
// and destroyed by PortShutdown, at the latest from the exit handler PortInitialize registers.
struct Table {
  std::mutex lock;
  std::shared_ptr<Port> entries[kPortTableSize];
};

Table& TheTable() {
  static Table* const table = new Table;
  return *table;
}

void* instanceHandle = nullptr;

Port* Lookup(int index) {
  if (index < 0 || index >= kPortTableSize) return nullptr;
  return TheTable().entries[index].get();
}

std::shared_ptr<Port> MakePort(int type, int index) {
  switch (type) {
    case kPortTypeSerial: return std::make_shared<SerialPort>(index);
    case kPortTypeParallel: return std::make_shared<ParallelPort>(index);
    case kPortTypeUsb: return std::make_shared<UsbPort>(index);
    case kPortTypeEthernet: return std::make_shared<EthernetPort>(index);
    default: return nullptr;
  }
}

// Takes the object out of its entry under the table lock, then lets go of it (closing the port)
// outside it, so that a port's on-close may use the API. A notification handler holding the port
// at that moment destroys it when it is done.
void DestroyEntry(int index) {
  std::shared_ptr<Port> port;
  {
    std::lock_guard<std::mutex> lock(TheTable().lock);
    port = std::move(TheTable().entries[index]);
  }
  port.reset();
}

int ClearCount(int* count) {
  if (count != nullptr) *count = 0;
  return -1;
}

// A process that ends without PortShutdown (an early return, a failed test) still stops every
// worker and closes every port before the exit goes on to destroy anything they use.
void ShutdownAtExit() { PortShutdown(); }

}  // namespace

std::vector<std::shared_ptr<Port>> PortTableSnapshot(int type) {
  std::vector<std::shared_ptr<Port>> ports;
  std::lock_guard<std::mutex> lock(TheTable().lock);
  for (const std::shared_ptr<Port>& port : TheTable().entries) {
    if (port != nullptr && port->Type() == type) ports.push_back(port);
  }
  return ports;
}

Port* PortTableEntry(int index) { return Lookup(index); }

std::intptr_t PortInitialize(void* instance) {
  static std::once_flag exitHandler;
  std::call_once(exitHandler, [] { std::atexit(ShutdownAtExit); });
  instanceHandle = instance;
  for (int i = 0; i < kPortTableSize; ++i) DestroyEntry(i);
  return StartNotifications(instanceHandle);
}

void PortShutdown() {
  for (int index : {3, 2, 1, 0}) DestroyEntry(index);
  for (int i = 0; i < kPortTableSize; ++i) DestroyEntry(i);
  StopNotifications();
}

int PortCreate(int type) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.lock);
  for (int index = 0; index < kPortTableSize; ++index) {
    if (table.entries[index]) continue;
    try {
      table.entries[index] = MakePort(type, index);
    } catch (const std::bad_alloc&) {
      return -1;
    }
    return table.entries[index] ? index : -1;
  }
  return -1;
}

int PortDestroy(int index) {
  if (index < 0 || index >= kPortTableSize) return -1;
  DestroyEntry(index);
  return 1;
}

int PortOpen(int index) {
  Port* port = Lookup(index);
  return port != nullptr ? port->Open() : -1;
}

int PortWrite(int index, int tag, const void* data, int length, int* written) {
  Port* port = Lookup(index);
  return port != nullptr ? port->Write(tag, data, length, written) : ClearCount(written);
}

int PortRead(int index, void* buffer, int length, int* read) {
  Port* port = Lookup(index);
  return port != nullptr ? port->Read(buffer, length, read) : ClearCount(read);
}

int PortClose(int index) {
  Port* port = Lookup(index);
  return port != nullptr ? port->Close() : -1;
}

int PortDeviceCheck(int index) {
  Port* port = Lookup(index);
  return port != nullptr ? port->DeviceCheck() : -1;
}

int PortGetInfo(int index, void* record) {
  Port* port = Lookup(index);
  return port != nullptr ? port->GetInfo(record) : -1;
}

int PortIsOpen(int index) {
  Port* port = Lookup(index);
  return port != nullptr ? port->IsOpen() : -1;
}

int PortIsReady(int index) {
  Port* port = Lookup(index);
  return port != nullptr ? port->IsReady() : -1;
}

std::int32_t PortGetHandle(int index) {
  Port* port = Lookup(index);
  return port != nullptr ? port->GetHandle() : -1;
}

int PortSetConfig(int index, const PortSettings* settings) {
  Port* port = Lookup(index);
  if (port == nullptr) return -1;
  return settings != nullptr ? port->SetConfig(*settings) : 0;
}

int PortDriverControl(int index, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                      std::uint32_t outputSize, std::uint32_t* returned) {
  Port* port = Lookup(index);
  if (port == nullptr) {
    if (returned != nullptr) *returned = 0;
    return -1;
  }
  return port->DriverControl(code, input, inputSize, output, outputSize, returned);
}

int PortGetPendingWrite(int index) {
  Port* port = Lookup(index);
  return port != nullptr ? port->GetPendingWrite() : -1;
}

int PortPurgeWrite(int index) {
  Port* port = Lookup(index);
  if (port == nullptr) return -1;
  port->PurgeWrite();
  return 1;
}

int PortResumeWrite(int index) {
  Port* port = Lookup(index);
  if (port == nullptr) return -1;
  port->ResumeWrite();
  return 1;
}

int PortSuspendWrite(int index) {
  Port* port = Lookup(index);
  if (port == nullptr) return -1;
  port->SuspendWrite();
  return 1;
}

int PortSetWriteChunk(int index, int size) {
  Port* port = Lookup(index);
  return port != nullptr ? port->SetWriteChunk(size) : -1;
}

int PortGetReadCount(int index) {
  Port* port = Lookup(index);
  return port != nullptr ? port->GetReadCount() : -1;
}

int PortPurgeRead(int index) {
  Port* port = Lookup(index);
  if (port == nullptr) return -1;
  port->PurgeRead();
  return 1;
}

int PortResumeRead(int index) {
  Port* port = Lookup(index);
  if (port == nullptr) return -1;
  port->ResumeRead();
  return 1;
}

int PortSuspendRead(int index) {
  Port* port = Lookup(index);
  if (port == nullptr) return -1;
  port->SuspendRead();
  return 1;
}

int PortSetReadChunk(int index, int size) {
  Port* port = Lookup(index);
  return port != nullptr ? port->SetReadChunk(size) : -1;
}

int PortSetFlowOverride(int index, int flag) {
  Port* port = Lookup(index);
  return port != nullptr ? port->SetFlowOverride(flag) : -1;
}

int PortGetId(int index) {
  Port* port = Lookup(index);
  return port != nullptr ? port->Index() : -1;
}

int PortGetType(int index) {
  Port* port = Lookup(index);
  return port != nullptr ? port->Type() : -1;
}

int PortSetCallbacks(int index, const PortCallbacks* callbacks) {
  Port* port = Lookup(index);
  if (port == nullptr) return -1;
  port->SetCallbacks(callbacks != nullptr ? *callbacks : PortCallbacks{});
  return 1;
}

}  // namespace qx::port
