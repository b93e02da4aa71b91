#pragma once

#include <cstdint>

// The decisions the pages take from the scanner's status word, a scan's result and the user's
// answers, kept apart from the windows so that each can be checked on its own.
namespace qx::checker {

// What the status word says before a document is fed (pages 1, 6 and 13).
enum class FeedState { kReady, kOffline, kNoDocument };
FeedState CheckFeed(std::uint32_t status);

// True when the main pocket (the only one on one-pocket scanners) is near full.
bool MainPocketNearFull(std::uint32_t status);
bool SubPocketNearFull(std::uint32_t status);
bool FrankerMissing(std::uint32_t status);

// The end of a scan: show `messageId` (0 for none; the scan-error message 130 names `result`),
// then move to the page after the scan page or to the troubleshooting page.
struct ScanEnd {
  int messageId;
  bool moveOn;
};
ScanEnd DecideScanEnd(std::uint32_t status, std::int32_t result);

// The cleaning failed when the scanner is offline afterwards, or when the library reported that
// the cleaning itself failed.
bool CleaningFailed(std::uint32_t status, std::int32_t cleaningResult);

// The rows of the result list and the details text of each.
// An item's value is its index in the check results.
enum class ResultItem : int { kMicr = 0, kFrontImage = 1, kBackImage = 2, kBuzzer = 3, kPocketSorting = 4, kFranking = 5 };
enum ResultImage : int { kImagePassed = 0, kImageFailed = 1, kImageNotChecked = 2 };

struct ResultRow {
  ResultItem item;
  const wchar_t* name;
  int image;
};

// Fills up to six rows in their order; returns how many. `checkResults` holds the six values.
int ComposeResultRows(int pocketCount, bool frankingChosen, const std::int32_t* checkResults, ResultRow* rows);
// The item a row's text names; false for a text that is none of the six.
bool FindResultItem(const wchar_t* name, ResultItem* item);
int DetailsTextId(ResultItem item, std::int32_t checkResult, bool frankingChosen);

}  // namespace qx::checker
