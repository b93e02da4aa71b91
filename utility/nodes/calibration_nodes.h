#pragma once

#include <cstdint>

#include "utility/nodes/calibration_records.h"
#include "utility/nodes/tree_node.h"

// The scanner's image calibration memory: the analogue front end settings of both faces, their
// brightness and darkness reference tables, and the calibration status. Each node reads its own
// range of the memory with one calibration transfer.
namespace qx {

// Start addresses and value counts of the ranges.
inline constexpr std::uint16_t kFaceBrightnessAddress = 0x0000;
inline constexpr std::uint16_t kFaceDarknessAddress = 0x0330;
inline constexpr std::uint16_t kFaceValueAddress = 0x0660;
inline constexpr std::uint16_t kBackBrightnessAddress = 0x0668;
inline constexpr std::uint16_t kBackDarknessAddress = 0x0998;
inline constexpr std::uint16_t kBackValueAddress = 0x0CC8;
inline constexpr std::uint16_t kOtherValueAddress = 0x0CD0;
inline constexpr std::uint16_t kCalibrationValueCount = 8;
inline constexpr std::uint16_t kOtherValueCount = 4;

// 816 rows "001" to "816", one per value.
class CCalibrationReferenceNode : public CRecordNode<ReferenceTableRecord> {
 public:
  CCalibrationReferenceNode(const int* port, std::uint16_t startAddress)
      : CRecordNode(port), startAddress_(startAddress) {}

  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;

 private:
  std::uint16_t startAddress_;
};

class CCalibrationValueNode : public CRecordNode<CalibrationValueRecord> {
 public:
  CCalibrationValueNode(const int* port, std::uint16_t startAddress)
      : CRecordNode(port), startAddress_(startAddress) {}

  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;

 private:
  std::uint16_t startAddress_;
};

class CFaceCalibrationBrightnessNode final : public CCalibrationReferenceNode {
 public:
  explicit CFaceCalibrationBrightnessNode(const int* port)
      : CCalibrationReferenceNode(port, kFaceBrightnessAddress) {}
};

class CFaceCalibrationDarknessNode final : public CCalibrationReferenceNode {
 public:
  explicit CFaceCalibrationDarknessNode(const int* port)
      : CCalibrationReferenceNode(port, kFaceDarknessAddress) {}
};

class CBackCalibrationBrightnessNode final : public CCalibrationReferenceNode {
 public:
  explicit CBackCalibrationBrightnessNode(const int* port)
      : CCalibrationReferenceNode(port, kBackBrightnessAddress) {}
};

class CBackCalibrationDarknessNode final : public CCalibrationReferenceNode {
 public:
  explicit CBackCalibrationDarknessNode(const int* port)
      : CCalibrationReferenceNode(port, kBackDarknessAddress) {}
};

class CFaceCalibrationValueNode final : public CCalibrationValueNode {
 public:
  explicit CFaceCalibrationValueNode(const int* port)
      : CCalibrationValueNode(port, kFaceValueAddress) {}
};

class CBackCalibrationValueNode final : public CCalibrationValueNode {
 public:
  explicit CBackCalibrationValueNode(const int* port)
      : CCalibrationValueNode(port, kBackValueAddress) {}
};

class COtherCalibrationValueNode final : public CRecordNode<OtherCalibrationRecord> {
 public:
  using CRecordNode::CRecordNode;

  void Reset() override;
  RowList GetExtendedRows() override;
  int ReadExtended() override;
};

}  // namespace qx
