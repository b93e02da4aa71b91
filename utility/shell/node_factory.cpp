#include "utility/shell/node_factory.h"

#include "utility/nodes/calibration_nodes.h"
#include "utility/nodes/device_nodes.h"
#include "utility/nodes/error_history_node.h"
#include "utility/nodes/nv_counter_threshold_nodes.h"
#include "utility/nodes/system_environment_nodes.h"
#include "utility/nodes/usb_standard_request_nodes.h"
#include "utility/nodes/usb_vendor_request_nodes.h"

namespace qx {

std::unique_ptr<CTreeNode> CreateNode(NodeClass node, const int* port) {
  switch (node) {
    case NodeClass::kDevice: return std::make_unique<CDeviceNode>(port);
    case NodeClass::kSensorStatus: return std::make_unique<CSensorStatusNode>(port);
    case NodeClass::kADConverter: return std::make_unique<CADConverterNode>(port);
    case NodeClass::kNORVANV: return std::make_unique<CNORVANVNode>(port);
    case NodeClass::kMaintenanceCounter: return std::make_unique<CMaintenanceCounterNode>(port);
    case NodeClass::kThresholdValue: return std::make_unique<CThresholdValueNode>(port);
    case NodeClass::kFaceCalibrationValue: return std::make_unique<CFaceCalibrationValueNode>(port);
    case NodeClass::kFaceCalibrationBrightness: return std::make_unique<CFaceCalibrationBrightnessNode>(port);
    case NodeClass::kFaceCalibrationDarkness: return std::make_unique<CFaceCalibrationDarknessNode>(port);
    case NodeClass::kBackCalibrationValue: return std::make_unique<CBackCalibrationValueNode>(port);
    case NodeClass::kBackCalibrationBrightness: return std::make_unique<CBackCalibrationBrightnessNode>(port);
    case NodeClass::kBackCalibrationDarkness: return std::make_unique<CBackCalibrationDarknessNode>(port);
    case NodeClass::kOtherCalibrationValue: return std::make_unique<COtherCalibrationValueNode>(port);
    case NodeClass::kErrorHistory: return std::make_unique<CErrorHistoryNode>(port);
    case NodeClass::kSystem: return std::make_unique<CSystemNode>(port);
    case NodeClass::kAPIDriver: return std::make_unique<CAPIDriverNode>(port);
    case NodeClass::kDotNetFramework: return std::make_unique<CDotNetFrameworkNode>(port);
    case NodeClass::kUSBDriverStack: return std::make_unique<CUSBDriverStackNode>(port);
    case NodeClass::kDeviceDescriptor: return std::make_unique<CDeviceDescriptorNode>(port);
    case NodeClass::kConfigurationDescriptor: return std::make_unique<CConfigurationDescriptorNode>(port);
    case NodeClass::kInterfaceDescriptor: return std::make_unique<CInterfaceDescriptorNode>(port);
    case NodeClass::kEndPointDescriptor: return std::make_unique<CEndPointDescriptorNode>(port);
    case NodeClass::kStringDescriptor: return std::make_unique<CStringDescriptorNode>(port);
    case NodeClass::kDeviceQualifierDescriptor: return std::make_unique<CDeviceQualifierDescriptorNode>(port);
    case NodeClass::kOtherSpeedConfigurationDescriptor:
      return std::make_unique<COtherSpeedConfigurationDescriptorNode>(port);
    case NodeClass::kOtherSpeedInterfaceDescriptor: return std::make_unique<COtherSpeedInterfaceDescriptorNode>(port);
    case NodeClass::kOtherSpeedEndPointDescriptor: return std::make_unique<COtherSpeedEndPointDescriptorNode>(port);
    case NodeClass::kDeviceStatus: return std::make_unique<CDeviceStatusNode>(port);
    case NodeClass::kPowerSave: return std::make_unique<CPowerSaveNode>(port);
    case NodeClass::kQXUSB: return std::make_unique<CQXUSBNode>(port);
    case NodeClass::kXBConfigurationDescriptor: return std::make_unique<CXBConfigurationDescriptorNode>(port);
    case NodeClass::kXBStringDescriptor: return std::make_unique<CXBStringDescriptorNode>(port);
    case NodeClass::kPipeTimeOut: return std::make_unique<CPipeTimeOutNode>(port);
    case NodeClass::kTimeOutMode: return std::make_unique<CTimeOutModeNode>(port);
    case NodeClass::kXBStatus: return std::make_unique<CXBStatusNode>(port);
    case NodeClass::kNone: break;
  }
  return nullptr;
}

}  // namespace qx
