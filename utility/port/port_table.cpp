#include "utility/port/port_table.h"

#include <memory>
#include <new>

#include "utility/port/ethernet_port.h"
#include "utility/port/notifications.h"
#include "utility/port/parallel_port.h"
#include "utility/port/port_api.h"
#include "utility/port/serial_port.h"
#include "utility/port/usb_port.h"

namespace qx::port {

namespace {

std::unique_ptr<Port> table[kPortTableSize];
void* instanceHandle = nullptr;

Port* Lookup(int index) {
  if (index < 0 || index >= kPortTableSize) return nullptr;
  return table[index].get();
}

std::unique_ptr<Port> MakePort(int type, int index) {
  switch (type) {
    case kPortTypeSerial: return std::make_unique<SerialPort>(index);
    case kPortTypeParallel: return std::make_unique<ParallelPort>(index);
    case kPortTypeUsb: return std::make_unique<UsbPort>(index);
    case kPortTypeEthernet: return std::make_unique<EthernetPort>(index);
    default: return nullptr;
  }
}

// Takes the object out of its entry under the table lock, then deletes it (closing the port)
// outside it, so that a port's on-close may use the API.
void DestroyEntry(int index) {
  std::unique_ptr<Port> port;
  {
    std::lock_guard<std::recursive_mutex> lock(PortTableLock());
    port = std::move(table[index]);
  }
  port.reset();
}

int ClearCount(int* count) {
  if (count != nullptr) *count = 0;
  return -1;
}

}  // namespace

std::recursive_mutex& PortTableLock() {
  static std::recursive_mutex lock;
  return lock;
}

Port* PortTableEntry(int index) { return Lookup(index); }

std::intptr_t PortInitialize(void* instance) {
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
  std::lock_guard<std::recursive_mutex> lock(PortTableLock());
  for (int index = 0; index < kPortTableSize; ++index) {
    if (table[index]) continue;
    try {
      table[index] = MakePort(type, index);
    } catch (const std::bad_alloc&) {
      return -1;
    }
    return table[index] ? index : -1;
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
