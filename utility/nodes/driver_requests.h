#pragma once

#include <cstdint>


// The nodes' way to the QXUSB driver's I/O-control queries. The port library owns the handles
// and makes the requests on them, in turn with its own calls; the application installs, once
// before the first gather, the route a request takes (PortDriverControl) and how the ready check
// is made (PortIsReady). Until then no port has a handle and none is ready, so every query
// fails.
namespace qx {

// One buffered control request on the driver handle of a port index: 1 with *returned set, or 0
// (no handle, or the driver refused).
using DriverControlRoute = int (*)(int portIndex, std::uint32_t code, const void* input, std::uint32_t inputSize,
                                   void* output, std::uint32_t outputSize, std::uint32_t* returned);
// The port library's ready check: 1 ready, 0 not.
using PortReadyCheck = int (*)(int portIndex);

// nullptr restores the default (no handle, never ready).
void SetDriverControlRoute(DriverControlRoute route);
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
