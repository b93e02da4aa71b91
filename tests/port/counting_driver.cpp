#include "tests/port/counting_driver.h"

namespace qx::port::testing {

using qxusb::DriverHandle;
using qxusb::DriverStatus;

CountingDriver::Call::Call(CountingDriver* driver, DriverHandle handle) : busy_(nullptr) {
  {
    std::lock_guard<std::mutex> lock(driver->mutex_);
    auto it = driver->handles_.find(handle);
    if (it != driver->handles_.end()) busy_ = &it->second.calls;
  }
  if (busy_ != nullptr && busy_->fetch_add(1) != 0) driver->overlaps_.fetch_add(1);
}

CountingDriver::Call::~Call() {
  if (busy_ != nullptr) busy_->fetch_sub(1);
}

DriverStatus CountingDriver::Enumerate(std::uint32_t member, char* path, std::size_t size) {
  return inner_->Enumerate(member, path, size);
}

DriverStatus CountingDriver::Open(const char* functionPath, DriverHandle* handle) {
  DriverStatus status = inner_->Open(functionPath, handle);
  if (status == DriverStatus::kOk) {
    std::lock_guard<std::mutex> lock(mutex_);
    handles_[*handle].open = true;
  }
  return status;
}

DriverStatus CountingDriver::Write(DriverHandle handle, const void* data, std::uint32_t length,
                                   std::uint32_t* written) {
  Call call(this, handle);
  DriverStatus status = inner_->Write(handle, data, length, written);
  if (status == DriverStatus::kOk) written_.fetch_add(*written);
  return status;
}

DriverStatus CountingDriver::Read(DriverHandle handle, void* buffer, std::uint32_t capacity, std::uint32_t* got) {
  Call call(this, handle);
  return inner_->Read(handle, buffer, capacity, got);
}

bool CountingDriver::Control(DriverHandle handle, std::uint32_t code, const void* input, std::uint32_t inputSize,
                             void* output, std::uint32_t outputSize, std::uint32_t* returned) {
  Call call(this, handle);
  return inner_->Control(handle, code, input, inputSize, output, outputSize, returned);
}

void CountingDriver::Close(DriverHandle handle) {
  {
    Call call(this, handle);
    inner_->Close(handle);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = handles_.find(handle);
  if (it != handles_.end()) it->second.open = false;
}

int CountingDriver::OpenHandles() {
  std::lock_guard<std::mutex> lock(mutex_);
  int open = 0;
  for (const auto& entry : handles_) open += entry.second.open ? 1 : 0;
  return open;
}

}  // namespace qx::port::testing
