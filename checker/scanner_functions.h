#pragma once

#include <cstddef>

// The scanner API library's functions as the checker binds them: each name goes into a slot of
// a 69-entry table. Slots 31 and 33 stay empty; BiSCNMICRFunctionPostPrint is bound twice into
// slot 34, so the list has 68 entries and 67 distinct names.
namespace qx::checker {

enum FunctionSlot : int {
  kSlotOpenMonPrinter = 0,
  kSlotGetStatus = 2,
  kSlotSetStatusBackFunction = 3,
  kSlotCancelError = 9,
  kSlotMicrSelectDataHandling = 13,
  kSlotMicrCleaning = 15,
  kSlotSetImageQuality = 16,
  kSlotSetImageFormat = 17,
  kSlotMicrCancelFunction = 27,
  kSlotSelectScanFace = 28,
  kSlotGetPrnCapability = 29,
  kSlotCloseMonPrinter = 30,
  kSlotFunctionPostPrint = 34,
  kSlotMicrSetStatusBackFunction = 35,
  kSlotMicrCancelStatusBack = 37,
  kSlotGetMicrText = 38,
  kSlotGetScanImage = 39,
  kSlotSetBehaviorToScnResult = 52,
  kSlotEscnEnable = 54,
};

struct BoundName {
  const char* name;
  int slot;
};

inline constexpr std::size_t kBindingListSize = 68;
extern const BoundName kBindingList[kBindingListSize];

}  // namespace qx::checker
