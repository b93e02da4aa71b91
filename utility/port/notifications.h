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
// The Ethernet port's "connected" or "closed" notice for its socket.
void PostTcpNotification(std::intptr_t socket, int event);

// The work both forms share (notification_handlers.cpp).
// Every USB port of the table asks its device for its status; a port whose request fails closes.
void RunUsbRemovalCheck();
// FD_CONNECT: the first Ethernet port with this socket is marked connected and its on-open called;
// FD_CLOSE: that port is closed. False when no port has the socket or the event is another.
bool HandleTcpNotification(std::intptr_t socket, int event);

}  // namespace qx::port
