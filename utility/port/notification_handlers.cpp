#include <mutex>

#include "utility/port/ethernet_port.h"
#include "utility/port/notifications.h"
#include "utility/port/port_table.h"
#include "utility/port/usb_port.h"

namespace qx::port {

void RunUsbRemovalCheck() {
  std::lock_guard<std::recursive_mutex> lock(PortTableLock());
  for (int index = 0; index < kPortTableSize; ++index) {
    Port* port = PortTableEntry(index);
    if (port != nullptr && port->Type() == kPortTypeUsb) static_cast<UsbPort*>(port)->CheckRemoval();
  }
}

bool HandleTcpNotification(std::intptr_t socket, int event) {
  if (event != kTcpEventConnect && event != kTcpEventClose) return false;
  // A closed port's socket is -1; a notice about that value must not reach it.
  if (socket == -1) return false;
  std::lock_guard<std::recursive_mutex> lock(PortTableLock());
  for (int index = 0; index < kPortTableSize; ++index) {
    Port* port = PortTableEntry(index);
    if (port == nullptr || port->Type() != kPortTypeEthernet || port->GetHandle() != socket) continue;
    if (event == kTcpEventConnect) {
      static_cast<EthernetPort*>(port)->ConfirmConnected();
    } else {
      port->Close();
    }
    return true;
  }
  return false;
}

}  // namespace qx::port
