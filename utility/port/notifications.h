#pragma once

#include <cstdint>

// How the library hears of removed USB devices and of TCP connection events. On Windows two
// hidden windows, "UsbWndProc" (WM_DEVICECHANGE) and "TcpWndProc" (message 0x500), served by the
// message loop of the thread that called PortInitialize. Elsewhere the library's notification
// thread does the same work: a failed link call stands for the system's removal notice, and TCP
// events are queued to it instead of posted to a window.
namespace qx::port {

inline constexpr unsigned kTcpNotifyMessage = 0x500;  // WM_USER + 0x100
inline constexpr int kTcpEventConnect = 16;           // FD_CONNECT
inline constexpr int kTcpEventClose = 32;             // FD_CLOSE

// Returns the "TcpWndProc" window handle, 0 when it could not be made or there are no windows.
std::intptr_t StartNotifications(void* instance);
void StopNotifications();

// A link call of a USB port failed: where no system notice of removal exists, run the removal
// check of every USB port soon, off the calling thread.
void ReportLinkFailure();
// The Ethernet port's "connected" or "closed" notice for its socket. `connection` is the port's
// serial number of that connection: a socket value is reused by later connections, the serial
// tells a late notice about an earlier one from a notice about the current one.
void PostTcpNotification(std::intptr_t socket, int event, std::uint32_t connection);

// The work both forms share (notification_handlers.cpp).
// Every USB port of the table asks its device for its status; a port whose request fails closes.
void RunUsbRemovalCheck();
// FD_CONNECT: the first Ethernet port whose current connection is (socket, connection) is marked
// connected and its on-open called; FD_CLOSE: that port is closed. False when no port has that
// connection open or the event is another.
bool HandleTcpNotification(std::intptr_t socket, int event, std::uint32_t connection);

// Notices carry the low 16 bits of the connection serial where a window message has no room for
// more (the high word of lParam); both sides compare only those bits.
inline constexpr std::uint32_t kConnectionSerialMask = 0xFFFF;

}  // namespace qx::port
