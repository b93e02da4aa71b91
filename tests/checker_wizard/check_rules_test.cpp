// The decisions behind the pages: feed checks, the end of a scan, the cleaning outcome, the result
// list and its details.
#include "checker/check_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "resources/checker_ids.h"

namespace qx::checker {
namespace {

constexpr std::uint32_t kReady = 0x00020000 | 0x00080000;  // both pockets have room

TEST(FeedCheck, OfflineIsExactlyOneOrBitEightAndComesBeforeAMissingDocument) {
  EXPECT_EQ(CheckFeed(kReady), FeedState::kReady);
  EXPECT_EQ(CheckFeed(1), FeedState::kOffline);
  EXPECT_EQ(CheckFeed(kReady | 0x8 | 0x00400000), FeedState::kOffline);
  // Bit 0x1 among others is not "offline" before a scan: only the word 1 itself is.
  EXPECT_EQ(CheckFeed(kReady | 0x1), FeedState::kReady);
  EXPECT_EQ(CheckFeed(kReady | 0x00400000), FeedState::kNoDocument);
  // A failed status read (all bits) reads as offline.
  EXPECT_EQ(CheckFeed(0xFFFFFFFFu), FeedState::kOffline);
}

TEST(FeedCheck, PocketsAreNearFullWhenTheirRoomBitIsClear) {
  EXPECT_FALSE(MainPocketNearFull(kReady));
  EXPECT_TRUE(MainPocketNearFull(0x00080000));
  EXPECT_FALSE(SubPocketNearFull(kReady));
  EXPECT_TRUE(SubPocketNearFull(0x00020000));
  EXPECT_TRUE(FrankerMissing(0x02000000));
  EXPECT_FALSE(FrankerMissing(kReady));
}

TEST(ScanEndDecision, DeviceBitsComeFirstInTheirOrder) {
  EXPECT_EQ(DecideScanEnd(0x1 | 0x20 | 0x400, 0).messageId, IDS_OFFLINE);
  EXPECT_EQ(DecideScanEnd(0x20 | 0x400, 0).messageId, IDS_COVER_OPEN);
  EXPECT_EQ(DecideScanEnd(0x400, 0).messageId, IDS_PAPER_JAM);
  EXPECT_EQ(DecideScanEnd(0x400 | 0x10000 | 0x40000 | 0x200000 | 0x40000000, 0).messageId, IDS_MECHANICAL_ERROR);
  // Three of the four mechanical bits are still a paper jam.
  EXPECT_EQ(DecideScanEnd(0x400 | 0x10000 | 0x40000 | 0x200000, 0).messageId, IDS_PAPER_JAM);
  for (std::uint32_t status : {0x1u, 0x20u, 0x400u}) EXPECT_FALSE(DecideScanEnd(status, 0).moveOn) << status;
}

TEST(ScanEndDecision, MicrNoDataAndBadDataLeaveTheJudgementToTheUser) {
  for (std::int32_t result : {0, -1050, -1040}) {
    ScanEnd end = DecideScanEnd(kReady, result);
    EXPECT_TRUE(end.moveOn) << result;
    EXPECT_EQ(end.messageId, 0) << result;
  }
  for (std::int32_t result : {-1020, -430, -70, -1060, 1}) {
    ScanEnd end = DecideScanEnd(kReady, result);
    EXPECT_FALSE(end.moveOn) << result;
    EXPECT_EQ(end.messageId, IDS_SCAN_ERROR) << result;
  }
}

TEST(CleaningOutcome, OfflineAfterwardsOrAFailedCallIsAFailure) {
  EXPECT_FALSE(CleaningFailed(kReady, 0));
  EXPECT_TRUE(CleaningFailed(kReady | 0x8, 0));
  EXPECT_TRUE(CleaningFailed(kReady | 0x1, 0));
  EXPECT_TRUE(CleaningFailed(kReady, -1020));
}

std::wstring Names(const ResultRow* rows, int count) {
  std::wstring names;
  for (int i = 0; i < count; ++i) names += std::wstring(rows[i].name) + L"|";
  return names;
}

TEST(ResultList, OnePocketHasFiveRowsTwoOrUnknownHaveSix) {
  const std::int32_t results[6] = {0, 1, 0, 0, 1, 0};
  ResultRow rows[6];
  EXPECT_EQ(ComposeResultRows(1, true, results, rows), 5);
  EXPECT_EQ(Names(rows, 5), L"MICR|Front image|Back image|Buzzer|Franking|");
  for (int pockets : {2, 255}) {
    EXPECT_EQ(ComposeResultRows(pockets, true, results, rows), 6) << pockets;
    EXPECT_EQ(Names(rows, 6), L"MICR|Front image|Back image|Buzzer|Pocket sorting|Franking|");
    EXPECT_EQ(rows[1].image, kImageFailed);
    EXPECT_EQ(rows[4].image, kImageFailed);
    EXPECT_EQ(rows[0].image, kImagePassed);
  }
}

TEST(ResultList, FrankingNotChosenShowsTheNotCheckedIconAndText) {
  const std::int32_t results[6] = {0, 0, 0, 0, 0, 0};
  ResultRow rows[6];
  int count = ComposeResultRows(2, false, results, rows);
  EXPECT_EQ(rows[count - 1].item, ResultItem::kFranking);
  EXPECT_EQ(rows[count - 1].image, kImageNotChecked);
  EXPECT_EQ(DetailsTextId(ResultItem::kFranking, 0, false), IDS_DETAILS_NOT_CHECKED);
  EXPECT_EQ(DetailsTextId(ResultItem::kFranking, 0, true), IDS_DETAILS_PASSED);
}

TEST(ResultDetails, EachFailedItemNamesItsCause) {
  EXPECT_EQ(DetailsTextId(ResultItem::kMicr, 1, true), IDS_DETAILS_MICR_FAILED);
  EXPECT_EQ(DetailsTextId(ResultItem::kFrontImage, 1, true), IDS_DETAILS_IMAGE_FAILED);
  EXPECT_EQ(DetailsTextId(ResultItem::kBackImage, 1, true), IDS_DETAILS_IMAGE_FAILED);
  for (ResultItem item : {ResultItem::kBuzzer, ResultItem::kPocketSorting, ResultItem::kFranking}) {
    EXPECT_EQ(DetailsTextId(item, 1, true), IDS_DETAILS_BROKEN);
    EXPECT_EQ(DetailsTextId(item, 0, true), IDS_DETAILS_PASSED);
  }
  ResultItem found;
  ASSERT_TRUE(FindResultItem(L"Pocket sorting", &found));
  EXPECT_EQ(found, ResultItem::kPocketSorting);
  EXPECT_FALSE(FindResultItem(L"Pocket", &found));
}

}  // namespace
}  // namespace qx::checker
