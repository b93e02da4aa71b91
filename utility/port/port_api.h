#pragma once

#include <cstdint>

#include "utility/port/port_records.h"

// The port library's flat API. Callers hold a port index (0..255) and pass it first; a bad index
// (outside 0..255, or an empty entry) gives -1 and no other effect, and a count to fill is set to
// 0. Results of the port's own operations are returned unchanged: 1 success, 0 failure.
// The table is not locked against itself: PortInitialize, PortCreate, PortDestroy and
// PortShutdown run on one thread while no other thread uses the library.
namespace qx::port {

// Empties the table and creates the library's notification receivers. Returns the handle of the
// "TcpWndProc" window (0 when it could not be made, and always 0 where there are no windows).
// instance: the module handle the window classes are registered with (may be null).
std::intptr_t PortInitialize(void* instance);
// Destroys ports 3, 2, 1, 0, then every other, then the notification receivers.
void PortShutdown();

// The lowest empty index, holding a new closed port of type 0..3; -1 for another type or a full
// table.
int PortCreate(int type);
// Closes and deletes the port; -1 only for an index outside 0..255 (an empty entry gives 1).
int PortDestroy(int index);

int PortOpen(int index);
int PortWrite(int index, int tag, const void* data, int length, int* written);
int PortRead(int index, void* buffer, int length, int* read);
int PortClose(int index);
int PortDeviceCheck(int index);
// record: a PortInfo for USB and serial ports, an EthernetInfo for the Ethernet port.
int PortGetInfo(int index, void* record);
int PortIsOpen(int index);
int PortIsReady(int index);
// The driver handle or socket of the open link, as the driver's handle value; -1 when none.
std::int32_t PortGetHandle(int index);
int PortSetConfig(int index, const PortSettings* settings);
// A buffered control request on the driver handle of the port (USB), made through the port so
// that it takes turns with the port's own calls on that handle and never reaches a handle the
// port has closed: 1, or 0 with *returned = 0 (no handle, or the driver refused); -1 for a bad
// index. The driver requests of the device connection and the nodes go this way; the value
// PortGetHandle gives is for showing, not for calling the driver with.
int PortDriverControl(int index, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                      std::uint32_t outputSize, std::uint32_t* returned);
int PortGetPendingWrite(int index);
int PortPurgeWrite(int index);
int PortResumeWrite(int index);
int PortSuspendWrite(int index);
int PortSetWriteChunk(int index, int size);
int PortGetReadCount(int index);
int PortPurgeRead(int index);
int PortResumeRead(int index);
int PortSuspendRead(int index);
int PortSetReadChunk(int index, int size);
int PortSetFlowOverride(int index, int flag);
int PortGetId(int index);
int PortGetType(int index);
int PortSetCallbacks(int index, const PortCallbacks* callbacks);

}  // namespace qx::port
