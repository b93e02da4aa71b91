// Random record bytes, as a device or a setting file could deliver them, for every USB standard,
// USB vendor and System node: building their rows must stay inside the record. The bytes behind
// each record (the node object's tail padding) are poisoned so that ASan sees any read past it;
// the configuration-set reader is fed random driver answers the same way.
#include <sanitizer/asan_interface.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "utility/nodes/driver_requests.h"
#include "utility/nodes/system_environment_nodes.h"
#include "utility/nodes/usb_standard_request_nodes.h"
#include "utility/nodes/usb_vendor_request_nodes.h"
#include "utility/port/qxusb_contract.h"
#include "utility/port/qxusb_driver.h"

namespace {

int g_port = 2;

template <class Node>
void RenderFrom(const std::uint8_t* data, std::size_t size) {
  auto node = std::make_unique<Node>(&g_port);
  node->Reset();
  std::uint8_t* record = node->GetRecord();
  const std::size_t recordSize = node->RecordSize();
  for (std::size_t i = 0; i < recordSize && size > 0; ++i) record[i] = data[i % size];
  std::uint8_t* objectEnd = reinterpret_cast<std::uint8_t*>(node.get()) + sizeof(Node);
  std::uint8_t* recordEnd = record + recordSize;
  ASAN_POISON_MEMORY_REGION(recordEnd, objectEnd - recordEnd);
  node->GetRows();
  node->GetExtendedRows();
  ASAN_UNPOISON_MEMORY_REGION(recordEnd, objectEnd - recordEnd);
}

// A driver whose answers are the fuzz bytes, with a returned count of its own choosing.
class FuzzDriver : public qx::qxusb::Driver {
 public:
  FuzzDriver(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  qx::qxusb::DriverStatus Enumerate(std::uint32_t, char*, std::size_t) override {
    return qx::qxusb::DriverStatus::kNoMoreItems;
  }
  qx::qxusb::DriverStatus Open(const char*, qx::qxusb::DriverHandle*) override {
    return qx::qxusb::DriverStatus::kFailed;
  }
  qx::qxusb::DriverStatus Write(qx::qxusb::DriverHandle, const void*, std::uint32_t, std::uint32_t*) override {
    return qx::qxusb::DriverStatus::kFailed;
  }
  qx::qxusb::DriverStatus Read(qx::qxusb::DriverHandle, void*, std::uint32_t, std::uint32_t*) override {
    return qx::qxusb::DriverStatus::kFailed;
  }
  void Close(qx::qxusb::DriverHandle) override {}
  bool Control(qx::qxusb::DriverHandle, std::uint32_t, const void*, std::uint32_t, void* output,
               std::uint32_t outputSize, std::uint32_t* returned) override {
    if (size_ < 2) return false;
    const std::uint8_t claim = data_[0];
    const std::size_t n = outputSize < size_ - 1 ? outputSize : size_ - 1;
    if (n > 0) std::memcpy(output, data_ + 1, n);
    *returned = claim == 0xFF ? 0xFFFFFFFFu : static_cast<std::uint32_t>(n) + claim;
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

FuzzDriver* g_driver = nullptr;

int Route(int, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output, std::uint32_t outputSize,
          std::uint32_t* returned) {
  return g_driver->Control(1, code, input, inputSize, output, outputSize, returned) ? 1 : 0;
}

void ReadSets(const std::uint8_t* data, std::size_t size) {
  FuzzDriver driver(data, size);
  g_driver = &driver;
  qx::SetDriverControlRoute(&Route);
  qx::CConfigurationDescriptorNode configuration(&g_port);
  qx::CInterfaceDescriptorNode interface(&g_port);
  qx::CEndPointDescriptorNode endpoints(&g_port);
  qx::COtherSpeedEndPointDescriptorNode otherEndpoints(&g_port);
  for (qx::CTreeNode* node : std::vector<qx::CTreeNode*>{&configuration, &interface, &endpoints, &otherEndpoints}) {
    node->Reset();
    node->ReadExtended();
    node->GetExtendedRows();
  }
  qx::SetDriverControlRoute(nullptr);
  g_driver = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qx;
  RenderFrom<CDeviceDescriptorNode>(data, size);
  RenderFrom<CConfigurationDescriptorNode>(data, size);
  RenderFrom<CInterfaceDescriptorNode>(data, size);
  RenderFrom<CEndPointDescriptorNode>(data, size);
  RenderFrom<CStringDescriptorNode>(data, size);
  RenderFrom<CDeviceQualifierDescriptorNode>(data, size);
  RenderFrom<COtherSpeedConfigurationDescriptorNode>(data, size);
  RenderFrom<COtherSpeedInterfaceDescriptorNode>(data, size);
  RenderFrom<COtherSpeedEndPointDescriptorNode>(data, size);
  RenderFrom<CDeviceStatusNode>(data, size);
  RenderFrom<CPowerSaveNode>(data, size);
  RenderFrom<CQXUSBNode>(data, size);
  RenderFrom<CXBConfigurationDescriptorNode>(data, size);
  RenderFrom<CXBStringDescriptorNode>(data, size);
  RenderFrom<CPipeTimeOutNode>(data, size);
  RenderFrom<CTimeOutModeNode>(data, size);
  RenderFrom<CXBStatusNode>(data, size);
  RenderFrom<CSystemNode>(data, size);
  RenderFrom<CAPIDriverNode>(data, size);
  RenderFrom<CDotNetFrameworkNode>(data, size);
  RenderFrom<CUSBDriverStackNode>(data, size);
  ReadSets(data, size);
  return 0;
}
