#include "utility/shell/info_document.h"

#include <cstring>
#include <initializer_list>

#include "utility/nodes/port_scanner_requests.h"
#include "utility/shell/node_factory.h"
#include "utility/shell/result_code.h"

namespace qx {

namespace {

using N = NodeClass;

// The nodes every gather reads from the PC, whatever the scanner does.
constexpr NodeClass kPcNodes[] = {N::kSystem, N::kAPIDriver, N::kDotNetFramework, N::kUSBDriverStack};

constexpr NodeClass kExtendedResetOrder[] = {
    N::kDevice, N::kSystem, N::kAPIDriver, N::kDotNetFramework, N::kUSBDriverStack,
    N::kSensorStatus, N::kADConverter, N::kNORVANV, N::kMaintenanceCounter, N::kThresholdValue,
    N::kFaceCalibrationValue, N::kFaceCalibrationBrightness, N::kFaceCalibrationDarkness,
    N::kBackCalibrationValue, N::kBackCalibrationBrightness, N::kBackCalibrationDarkness,
    N::kOtherCalibrationValue, N::kErrorHistory,
    N::kDeviceDescriptor, N::kConfigurationDescriptor, N::kInterfaceDescriptor, N::kEndPointDescriptor,
    N::kStringDescriptor, N::kDeviceQualifierDescriptor, N::kOtherSpeedConfigurationDescriptor,
    N::kOtherSpeedInterfaceDescriptor, N::kOtherSpeedEndPointDescriptor, N::kDeviceStatus,
    N::kPowerSave, N::kQXUSB, N::kXBConfigurationDescriptor, N::kXBStringDescriptor, N::kPipeTimeOut,
    N::kTimeOutMode, N::kXBStatus};
static_assert(std::size(kExtendedResetOrder) == kNodeClassCount);

}  // namespace

InfoDocument::InfoDocument(TreeSink* sink) : sink_(sink), settingRecord_{} {
  InstallPortScannerRequests();
  connection_.Startup();
}

InfoDocument::~InfoDocument() {
  std::memset(&settingRecord_, 0, sizeof settingRecord_);
  for (auto& node : deviceNodes_) node.reset();
  connection_.Shutdown();
  RemovePortScannerRequests();
}

CTreeNode* InfoDocument::DeviceNode(NodeClass node) const {
  int i = static_cast<int>(node);
  if (i < 0 || i >= kNodeClassCount) return nullptr;
  return deviceNodes_[static_cast<std::size_t>(i)].get();
}

CTreeNode& InfoDocument::Node(NodeClass node) const { return *DeviceNode(node); }

void InfoDocument::InsertTree(TreeKind kind, RunMode mode, TreeSink::Item* roots) {
  TreeSink::Item items[kCategoryCount] = {};
  for (int i = 0; i < kCategoryCount; ++i) {
    const Category& category = kCategories[i];
    if (kind == TreeKind::kDevice && mode == kRunModeNormal && !category.normal) continue;
    CTreeNode* node = kind == TreeKind::kDevice ? DeviceNode(category.node) : fileTree_.Node(category.node);
    TreeSink::Item parent = category.parent == kRootParent ? nullptr : items[category.parent];
    items[i] = sink_ != nullptr ? sink_->InsertItem(parent, category.text, CategoryImageIndex(i, kind), node) : nullptr;
    if (category.parent == kRootParent && roots != nullptr) *roots++ = items[i];
  }
}

void InfoDocument::BuildDeviceTree(RunMode mode) {
  for (const Category& category : kCategories) {
    if (category.node == NodeClass::kNone) continue;
    if (mode == kRunModeNormal && !category.normal) continue;
    deviceNodes_[static_cast<std::size_t>(category.node)] = CreateNode(category.node, connection_.PortField());
  }
  InsertTree(TreeKind::kDevice, mode, nullptr);
}

void InfoDocument::BuildFileTree(const SettingRecord& record) {
  if (fileTreePresent_ && sink_ != nullptr) {
    for (TreeSink::Item root : fileRoots_) sink_->DeleteItem(root);
  }
  fileTree_.Load(record);
  InsertTree(TreeKind::kFile, kRunModeExtended, fileRoots_);
  fileTreePresent_ = true;
}

int InfoDocument::NormalGather() {
  for (NodeClass node : {N::kDevice, N::kSystem, N::kAPIDriver, N::kDotNetFramework, N::kUSBDriverStack}) {
    Node(node).Reset();
  }
  int found = connection_.FindAndOpen();
  for (NodeClass node : kPcNodes) Node(node).Read();
  if (found == DeviceConnection::kFoundNone) return kResultNoScanner;
  if (found == DeviceConnection::kFoundMany) return kResultManyScanners;
  if (found == DeviceConnection::kFoundBusy) return kResultScannerBusy;

  int result = connection_.CheckDriverAndHostController(kResultControlFailed);
  if (result == kResultSuccess) {
    int state = connection_.CheckDeviceState();
    if (state == -4 || state == -3) result = kResultReadFailed;
    else if (state == -1) result = kResultInvalidMode;
    else result = Node(N::kDevice).Read() == 1 ? kResultSuccess : kResultReadFailed;
  }
  return connection_.ResultAfterFailedRead(result);
}

bool InfoDocument::ReadInOrder(std::initializer_list<NodeClass> nodes) {
  for (NodeClass node : nodes) {
    if (Node(node).ReadExtended() == 0) return false;
  }
  return true;
}

int InfoDocument::ExtendedGather() {
  for (NodeClass node : kExtendedResetOrder) Node(node).Reset();
  int found = connection_.FindAndOpen();
  for (NodeClass node : kPcNodes) Node(node).ReadExtended();
  if (found == DeviceConnection::kFoundNone) return kResultNoScanner;
  if (found == DeviceConnection::kFoundMany) return kResultManyScanners;
  if (found == DeviceConnection::kFoundBusy) return kResultScannerBusy;

  int result = connection_.CheckDriverAndHostController(kResultReadFailed);
  if (result == kResultSuccess) {
    int state = connection_.CheckDeviceState();
    if (state == 1) result = kResultSwitchOn;
    else if (state == 2) result = kResultFirmwareDamaged;
    else if (state == 3) result = kResultInvalidModeCounter;
    else if (state == -4 || state == -3) result = kResultReadFailed;
  }
  if (result == kResultSuccess) {
    bool read =
        ReadInOrder({N::kDeviceDescriptor, N::kConfigurationDescriptor, N::kInterfaceDescriptor,
                     N::kEndPointDescriptor, N::kStringDescriptor, N::kDeviceQualifierDescriptor,
                     N::kOtherSpeedConfigurationDescriptor, N::kOtherSpeedInterfaceDescriptor,
                     N::kOtherSpeedEndPointDescriptor, N::kDeviceStatus, N::kPowerSave, N::kQXUSB,
                     N::kXBConfigurationDescriptor, N::kXBStringDescriptor, N::kPipeTimeOut,
                     N::kTimeOutMode, N::kXBStatus, N::kDevice, N::kADConverter, N::kNORVANV,
                     N::kMaintenanceCounter, N::kThresholdValue, N::kSensorStatus, N::kErrorHistory}) &&
        connection_.EnterCalibrationMode() != 0 &&
        ReadInOrder({N::kFaceCalibrationValue, N::kFaceCalibrationBrightness, N::kFaceCalibrationDarkness,
                     N::kBackCalibrationValue, N::kBackCalibrationBrightness, N::kBackCalibrationDarkness,
                     N::kOtherCalibrationValue});
    if (read) connection_.ExitCalibrationMode();
    result = read ? kResultSuccess : kResultReadFailed;
  }
  return connection_.ResultAfterFailedRead(result);
}

int InfoDocument::Gather(RunMode mode) { return mode == kRunModeNormal ? NormalGather() : ExtendedGather(); }

const SettingRecord& InfoDocument::BuildSettingRecord() {
  for (int i = 0; i < kNodeClassCount; ++i) {
    NodeClass node = static_cast<NodeClass>(i);
    if (CTreeNode* source = DeviceNode(node); source != nullptr) {
      StoreSlot(settingRecord_, node, source->GetRecord(), source->StoredSize());
    }
  }
  return settingRecord_;
}

RowList InfoDocument::RowsOf(CTreeNode* node, RunMode mode) {
  if (node == nullptr) return {};
  return mode == kRunModeNormal ? node->GetRows() : node->GetExtendedRows();
}

}  // namespace qx
