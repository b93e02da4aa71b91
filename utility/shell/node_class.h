#pragma once

namespace qx {

// The 35 information node classes, in the order their categories appear in the tree. The value is
// the index a node factory uses to create the node; kNone marks the two groups that have no node.
enum class NodeClass : int {
  kNone = -1,
  kDevice = 0,                       // CDeviceNode
  kSensorStatus,                     // CSensorStatusNode
  kADConverter,                      // CADConverterNode
  kNORVANV,                          // CNORVANVNode
  kMaintenanceCounter,               // CMaintenanceCounterNode
  kThresholdValue,                   // CThresholdValueNode
  kFaceCalibrationValue,             // CFaceCalibrationValueNode
  kFaceCalibrationBrightness,        // CFaceCalibrationBrightnessNode
  kFaceCalibrationDarkness,          // CFaceCalibrationDarknessNode
  kBackCalibrationValue,             // CBackCalibrationValueNode
  kBackCalibrationBrightness,        // CBackCalibrationBrightnessNode
  kBackCalibrationDarkness,          // CBackCalibrationDarknessNode
  kOtherCalibrationValue,            // COtherCalibrationValueNode
  kErrorHistory,                     // CErrorHistoryNode
  kSystem,                           // CSystemNode
  kAPIDriver,                        // CAPIDriverNode
  kDotNetFramework,                  // CDotNetFrameworkNode
  kUSBDriverStack,                   // CUSBDriverStackNode
  kDeviceDescriptor,                 // CDeviceDescriptorNode
  kConfigurationDescriptor,          // CConfigurationDescriptorNode
  kInterfaceDescriptor,              // CInterfaceDescriptorNode
  kEndPointDescriptor,               // CEndPointDescriptorNode
  kStringDescriptor,                 // CStringDescriptorNode
  kDeviceQualifierDescriptor,        // CDeviceQualifierDescriptorNode
  kOtherSpeedConfigurationDescriptor,  // COtherSpeedConfigurationDescriptorNode
  kOtherSpeedInterfaceDescriptor,    // COtherSpeedInterfaceDescriptorNode
  kOtherSpeedEndPointDescriptor,     // COtherSpeedEndPointDescriptorNode
  kDeviceStatus,                     // CDeviceStatusNode
  kPowerSave,                        // CPowerSaveNode
  kQXUSB,                            // CQXUSBNode
  kXBConfigurationDescriptor,        // CXBConfigurationDescriptorNode
  kXBStringDescriptor,               // CXBStringDescriptorNode
  kPipeTimeOut,                      // CPipeTimeOutNode
  kTimeOutMode,                      // CTimeOutModeNode
  kXBStatus,                         // CXBStatusNode
};

inline constexpr int kNodeClassCount = 35;

}  // namespace qx
