#pragma once

namespace qx::checker {

// The wizard's pages in the order they are added to the sheet; the order fixes each index.
enum PageIndex : int {
  kPageStart = 0,
  kPageCheck1 = 1,
  kPageCheck2 = 2,
  kPageCheck3 = 3,
  kPageCheck4 = 4,
  kPageCheck5 = 5,
  kPageCheck6 = 6,
  kPageCheck7 = 7,
  kPageCheck8 = 8,
  kPageCheck9 = 9,
  kPageCheck10 = 10,
  kPageCheck11 = 11,
  kPageScanError = 12,
  kPageMicr1 = 13,
  kPageMicr2 = 14,
  kPageMicr3 = 15,
  kPageMicr4 = 16,
  kPageCanceled = 17,
  kPageCount = 18,
};

}  // namespace qx::checker
