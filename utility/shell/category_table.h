#pragma once

#include <string>

#include "utility/shell/node_class.h"

namespace qx {

// One category of the information tree.
struct Category {
  const char* text;  // item text, shown verbatim
  int parent;        // index of the parent category in kCategories; kRootParent for a root
  NodeClass node;    // the node whose record the category shows; kNone for a group
  bool normal;       // present in RunMode Normal
};

inline constexpr int kRootParent = -1;
inline constexpr int kCategoryCount = 37;

// In insertion order: every item is appended as the last child of its parent.
inline constexpr Category kCategories[kCategoryCount] = {
    {"Device", kRootParent, NodeClass::kDevice, true},
    {"Sensor Status", 0, NodeClass::kSensorStatus, false},
    {"AD Converter", 0, NodeClass::kADConverter, false},
    {"NORVA NV", 0, NodeClass::kNORVANV, false},
    {"Maintenance Counter", 0, NodeClass::kMaintenanceCounter, false},
    {"Threshold Value", 0, NodeClass::kThresholdValue, false},
    {"Calibration Value(Face)", 0, NodeClass::kFaceCalibrationValue, false},
    {"Brightness Reference", 6, NodeClass::kFaceCalibrationBrightness, false},
    {"Darkness Reference", 6, NodeClass::kFaceCalibrationDarkness, false},
    {"Calibration Value(Back)", 0, NodeClass::kBackCalibrationValue, false},
    {"Brightness Reference", 9, NodeClass::kBackCalibrationBrightness, false},
    {"Darkness Reference", 9, NodeClass::kBackCalibrationDarkness, false},
    {"Calibration Value(Other)", 0, NodeClass::kOtherCalibrationValue, false},
    {"Error History", 0, NodeClass::kErrorHistory, false},
    {"System", kRootParent, NodeClass::kSystem, true},
    {"QX-R7000 Driver", 14, NodeClass::kAPIDriver, true},
    {".NET Framework", 14, NodeClass::kDotNetFramework, true},
    {"USB Driver Stack Version", 14, NodeClass::kUSBDriverStack, true},
    {"USB Standard Request", 14, NodeClass::kNone, false},
    {"Device Descriptor", 18, NodeClass::kDeviceDescriptor, false},
    {"Configuration Descriptor", 18, NodeClass::kConfigurationDescriptor, false},
    {"Interface Descriptor", 18, NodeClass::kInterfaceDescriptor, false},
    {"EndPoint Descriptor", 18, NodeClass::kEndPointDescriptor, false},
    {"String Descriptor", 18, NodeClass::kStringDescriptor, false},
    {"Device Qualifier Descriptor", 18, NodeClass::kDeviceQualifierDescriptor, false},
    {"Other Speed Configuration Descriptor", 18, NodeClass::kOtherSpeedConfigurationDescriptor, false},
    {"Other Speed Interface Descriptor", 18, NodeClass::kOtherSpeedInterfaceDescriptor, false},
    {"Other Speed EndPoint Descriptor", 18, NodeClass::kOtherSpeedEndPointDescriptor, false},
    {"Device Status", 18, NodeClass::kDeviceStatus, false},
    {"USB Vendor Request", 14, NodeClass::kNone, false},
    {"Power Save", 29, NodeClass::kPowerSave, false},
    {"QXUSB", 29, NodeClass::kQXUSB, false},
    {"XB Configuration Descriptor", 29, NodeClass::kXBConfigurationDescriptor, false},
    {"XB String Descriptor", 29, NodeClass::kXBStringDescriptor, false},
    {"Pipe Time Out", 29, NodeClass::kPipeTimeOut, false},
    {"Time Out Mode", 29, NodeClass::kTimeOutMode, false},
    {"XB Status", 29, NodeClass::kXBStatus, false},
};

constexpr bool ParentsPrecedeChildren() {
  for (int i = 0; i < kCategoryCount; ++i) {
    int parent = kCategories[i].parent;
    if (parent != kRootParent && (parent < 0 || parent >= i)) return false;
  }
  return true;
}
static_assert(ParentsPrecedeChildren(), "a category must be inserted after its parent");

// Which tree an item belongs to: the one gathered from the scanner, or the one built from a file.
enum class TreeKind { kDevice, kFile };

// Image list indexes; each serves as the item's image and its selected image.
inline constexpr int kImageDeviceTreeDevice = 0;
inline constexpr int kImageDeviceTreeSystem = 1;
inline constexpr int kImageFileTreeRoot = 2;
inline constexpr int kImageItem = 3;

// The image index of category `index` in the given tree, or -1 for an index outside the table.
int CategoryImageIndex(int index, TreeKind tree);

// The index of the category that shows a node class, or -1 (kNone and unknown values).
int FindCategory(NodeClass node);

// The category's item texts from its root down, joined by "/", e.g.
// "Device/Calibration Value(Face)/Brightness Reference"; empty for an index outside the table.
std::string CategoryPath(int index);

}  // namespace qx
