#pragma once

#include <atomic>
#include <cstdint>

#include "utility/port/port_records.h"

namespace qx::port {

// A port of the table: one link to the scanner behind the flat Port... API. Every operation
// returns an integer result and never throws. Operations may be called from the application's
// threads; the callbacks they trigger run as described on PortCallbacks.
class Port {
 public:
  Port(int index, int type) : index_(index), type_(type) {}
  // Derived destructors close the port first.
  virtual ~Port() = default;
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  // 1 when open (also when it already was), 0 on failure.
  virtual int Open() = 0;
  // 1 when all length bytes were accepted (threaded: queued; direct: written); *written gets the
  // count accepted.
  virtual int Write(int tag, const void* data, int length, int* written) = 0;
  // 1 when exactly length bytes were delivered; *read gets the count.
  virtual int Read(void* buffer, int length, int* read) = 0;
  // 1, also when not open; 0 only when a fault interrupted the close.
  virtual int Close() = 0;
  virtual int DeviceCheck() = 0;
  // record: a PortInfo (USB, serial) or an EthernetInfo (Ethernet).
  virtual int GetInfo(void* record) = 0;
  virtual int IsOpen() = 0;
  virtual int IsReady() = 0;
  // The link's OS handle or socket as a 32-bit value; -1 while closed.
  virtual std::int32_t GetHandle() = 0;
  virtual int SetConfig(const PortSettings& settings) = 0;
  virtual void SetDirectMode(int flag) = 0;
  virtual int GetPendingWrite() = 0;
  virtual void PurgeWrite() = 0;
  virtual void ResumeWrite() = 0;
  virtual void SuspendWrite() = 0;
  virtual int GetWriteChunk() = 0;
  virtual int SetWriteChunk(int size) = 0;
  virtual int GetReadCount() = 0;
  virtual void PurgeRead() = 0;
  virtual void ResumeRead() = 0;
  virtual void SuspendRead() = 0;
  virtual int GetReadChunk() = 0;
  virtual int SetReadChunk(int size) = 0;
  virtual int SetFlowOverride(int flag) = 0;
  // A buffered control request on the port's own driver handle, made in turn with the port's own
  // calls on it: 1, or 0 (also for ports without a driver handle) with *returned = 0.
  virtual int DriverControl(std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                            std::uint32_t outputSize, std::uint32_t* returned);

  int Index() const { return index_; }
  int Type() const { return type_; }
  // Takes the four pointers; the next notification uses them.
  void SetCallbacks(const PortCallbacks& callbacks);

  // Notifications. On-open, on-write-progress and on-receive go out only while the port is open;
  // on-close always. Worker threads call the last two.
  void NotifyOpen();
  void NotifyClose();
  void NotifyWriteProgress(int tag, int count, int complete);
  // The end of a direct write of `length` bytes of which `done` went out: *written = done, the
  // progress callback with the caller's tag, and 1 when the write went out whole.
  int FinishDirectWrite(int tag, std::uint32_t done, std::uint32_t length, int* written);
  void NotifyReceive(int available);

 private:
  const int index_;
  const int type_;
  std::atomic<PortOpenCallback> onOpen_{nullptr};
  std::atomic<PortCloseCallback> onClose_{nullptr};
  std::atomic<PortWriteProgressCallback> onWriteProgress_{nullptr};
  std::atomic<PortReceiveCallback> onReceive_{nullptr};
};

}  // namespace qx::port
