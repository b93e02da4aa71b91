#include "checker/check_rules.h"

#include <cwchar>

#include "checker/scanner_blocks.h"
#include "resources/checker_ids.h"

namespace qx::checker {

FeedState CheckFeed(std::uint32_t status) {
  if (status == kStatusOffline1 || (status & kStatusOffline) != 0) return FeedState::kOffline;
  if ((status & kStatusNoDocument) != 0) return FeedState::kNoDocument;
  return FeedState::kReady;
}

bool MainPocketNearFull(std::uint32_t status) { return (status & kStatusMainPocketRoom) == 0; }
bool SubPocketNearFull(std::uint32_t status) { return (status & kStatusSubPocketRoom) == 0; }
bool FrankerMissing(std::uint32_t status) { return (status & kStatusNoFranker) != 0; }

ScanEnd DecideScanEnd(std::uint32_t status, std::int32_t result) {
  if ((status & kStatusOffline1) != 0) return {IDS_OFFLINE, false};
  if ((status & kStatusCoverOpen) != 0) return {IDS_COVER_OPEN, false};
  if ((status & kStatusError) != 0) {
    bool mechanical = (status & kStatusMechanicalError) == kStatusMechanicalError;
    return {mechanical ? IDS_MECHANICAL_ERROR : IDS_PAPER_JAM, false};
  }
  // A MICR line read with no or bad data is left for the user to judge.
  if (result == 0 || result == kErrMicrBadData || result == kErrMicrNoData) return {0, true};
  return {IDS_SCAN_ERROR, false};
}

bool CleaningFailed(std::uint32_t status, std::int32_t cleaningResult) {
  return (status & (kStatusOffline | kStatusOffline1)) != 0 || cleaningResult != 0;
}

namespace {

struct ItemName {
  ResultItem item;
  const wchar_t* name;
};

constexpr ItemName kItems[] = {
    {ResultItem::kMicr, L"MICR"},
    {ResultItem::kFrontImage, L"Front image"},
    {ResultItem::kBackImage, L"Back image"},
    {ResultItem::kBuzzer, L"Buzzer"},
    {ResultItem::kPocketSorting, L"Pocket sorting"},
    {ResultItem::kFranking, L"Franking"},
};

int ImageOf(std::int32_t checkResult) { return checkResult == 1 ? kImageFailed : kImagePassed; }

}  // namespace

int ComposeResultRows(int pocketCount, bool frankingChosen, const std::int32_t* checkResults, ResultRow* rows) {
  int count = 0;
  for (const ItemName& entry : kItems) {
    if (entry.item == ResultItem::kPocketSorting && pocketCount < 2) continue;
    int image = ImageOf(checkResults[static_cast<int>(entry.item)]);
    if (entry.item == ResultItem::kFranking && !frankingChosen) image = kImageNotChecked;
    rows[count++] = ResultRow{entry.item, entry.name, image};
  }
  return count;
}

bool FindResultItem(const wchar_t* name, ResultItem* item) {
  for (const ItemName& entry : kItems) {
    if (std::wcscmp(entry.name, name) == 0) {
      *item = entry.item;
      return true;
    }
  }
  return false;
}

int DetailsTextId(ResultItem item, std::int32_t checkResult, bool frankingChosen) {
  if (checkResult == 1) {
    switch (item) {
      case ResultItem::kMicr:
        return IDS_DETAILS_MICR_FAILED;
      case ResultItem::kFrontImage:
      case ResultItem::kBackImage:
        return IDS_DETAILS_IMAGE_FAILED;
      default:
        return IDS_DETAILS_BROKEN;
    }
  }
  if (item == ResultItem::kFranking && checkResult == 0 && !frankingChosen) return IDS_DETAILS_NOT_CHECKED;
  return IDS_DETAILS_PASSED;
}

}  // namespace qx::checker
