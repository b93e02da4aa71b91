#include "utility/port/ethernet_port.h"
#include "utility/port/notifications.h"
#include "utility/port/port_table.h"
#include "utility/port/usb_port.h"

namespace qx::port {

// Both handlers act on a copy of the table's list, never under its lock: the checks call the
// driver (up to its time-outs), callbacks and joins.
void RunUsbRemovalCheck() {
  for (const std::shared_ptr<Port>& port : PortTableSnapshot(kPortTypeUsb)) {
    static_cast<UsbPort*>(port.get())->CheckRemoval();
  }
}

bool HandleTcpNotification(std::intptr_t socket, int event, std::uint32_t connection) {
  if (event != kTcpEventConnect && event != kTcpEventClose) return false;
  // A closed port's socket is -1; a notice about that value must not reach it.
  if (socket == -1) return false;
  for (const std::shared_ptr<Port>& port : PortTableSnapshot(kPortTypeEthernet)) {
    if (static_cast<EthernetPort*>(port.get())->TakeNotice(socket, event, connection)) return true;
  }
  return false;
}

}  // namespace qx::port
