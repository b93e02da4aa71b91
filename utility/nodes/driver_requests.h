#pragma once

#include <cstdint>

#include "utility/port/qxusb_driver.h"

// The nodes' way to the QXUSB driver's I/O-control queries. The port library owns the handles;
// the application installs, once before the first gather, where a port's driver and handle come
// from (PortGetHandle) and how its ready check is made (PortIsReady). Until then no port has a
// handle and none is ready, so every query fails.
namespace qx {

// Gives the driver and the opened function handle of a port index: true when the port has one.
using DriverHandleSource = bool (*)(int portIndex, qxusb::Driver** driver, qxusb::DriverHandle* handle);
// The port library's ready check: 1 ready, 0 not.
using PortReadyCheck = int (*)(int portIndex);

// nullptr restores the default (no handle, never ready).
void SetDriverHandleSource(DriverHandleSource source);
void SetPortReadyCheck(PortReadyCheck check);

int IsPortReady(int portIndex);

// One query on the port's handle: no input, an output buffer of `outSize` bytes. 1 when the
// driver answered, with *returned = the bytes it gave (never more than outSize); 0 otherwise,
// with *returned = 0. `returned` may be null.
int QueryDriver(int portIndex, std::uint32_t code, void* out, std::uint32_t outSize, std::uint32_t* returned);

// The first call of a configuration-set read asks for the configuration descriptor alone.
inline constexpr std::uint32_t kConfigurationHeaderSize = 9;

// Reads a configuration descriptor set (qxusb::kGetConfigurationDescriptor or
// qxusb::kGetOtherSpeedConfiguration) in two calls: 9 bytes, whose bytes 2-3 give wTotalLength,
// then wTotalLength bytes into a zeroed buffer (that call's result is not used). Copies the set's
// bytes [offset, offset + size) to `out`; bytes the second answer did not cover come out zero.
// 1 when the first call succeeded; 0 otherwise, with `out` untouched.
int ReadConfigurationSet(int portIndex, std::uint32_t code, std::uint32_t offset, void* out, std::uint32_t size);

}  // namespace qx
