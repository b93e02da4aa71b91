#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "utility/port/byte_queue.h"

namespace qx::port {
namespace {

std::vector<std::uint8_t> Sequence(std::size_t n, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(n);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

TEST(ByteQueue, PopDeliversBytesInOrderAcrossNodesAndKeepsPartialRemainder) {
  ByteQueue queue;
  auto a = Sequence(5, 0);
  auto b = Sequence(7, 5);
  ASSERT_EQ(queue.Push(1, a.data(), a.size()), 5u);
  ASSERT_EQ(queue.Push(2, b.data(), b.size()), 7u);
  EXPECT_EQ(queue.Total(), 12u);
  EXPECT_EQ(queue.Count(), 2u);

  std::uint8_t out[12] = {};
  EXPECT_EQ(queue.Pop(out, 8), 8u);
  EXPECT_EQ(queue.LastPopCount(), 8u);
  EXPECT_EQ(queue.Total(), 4u);
  EXPECT_EQ(queue.Count(), 1u);  // the first node is freed, the second keeps its remainder
  EXPECT_EQ(queue.Pop(out + 8, 100), 4u);
  EXPECT_EQ(queue.LastPopCount(), 4u);
  EXPECT_EQ(queue.Count(), 0u);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 12), Sequence(12, 0));
  EXPECT_EQ(queue.Pop(out, 5), 0u);
  EXPECT_EQ(queue.LastPopCount(), 0u);
}

TEST(ByteQueue, LimitIsTestedBeforeAdding) {
  ByteQueue queue;
  ASSERT_EQ(queue.SetLimit(100), 1);
  auto bytes = Sequence(99, 0);
  ASSERT_EQ(queue.Push(0, bytes.data(), 99), 99u);
  // One below the limit: accepted whole, taking the total past it.
  auto big = Sequence(50, 0);
  EXPECT_EQ(queue.Push(0, big.data(), 50), 50u);
  EXPECT_EQ(queue.Total(), 149u);

  ByteQueue atLimit;
  atLimit.SetLimit(100);
  auto hundred = Sequence(100, 0);
  ASSERT_EQ(atLimit.Push(0, hundred.data(), 100), 100u);
  EXPECT_EQ(atLimit.Push(0, hundred.data(), 1), 0u);
  EXPECT_EQ(atLimit.Total(), 100u);
  EXPECT_EQ(atLimit.Count(), 1u);
}

TEST(ByteQueue, SetLimitRefusesNegativeAndZeroMeansNoLimit) {
  ByteQueue queue;
  ASSERT_EQ(queue.SetLimit(10), 1);
  EXPECT_EQ(queue.SetLimit(-1), 0);
  EXPECT_EQ(queue.Limit(), 10u);
  EXPECT_EQ(queue.SetLimit(0), 1);
  auto bytes = Sequence(200, 0);
  EXPECT_EQ(queue.Push(0, bytes.data(), 200), 200u);
  EXPECT_EQ(queue.Push(0, bytes.data(), 200), 200u);
}

TEST(ByteQueue, ClearEmptiesEverythingAndEmptyPushQueuesNothing) {
  ByteQueue queue;
  auto bytes = Sequence(10, 0);
  queue.Push(0, bytes.data(), 10);
  std::uint8_t out[4];
  queue.Pop(out, 4);
  queue.Clear();
  EXPECT_EQ(queue.Total(), 0u);
  EXPECT_EQ(queue.Count(), 0u);
  EXPECT_EQ(queue.LastPopCount(), 0u);
  EXPECT_EQ(queue.Push(0, bytes.data(), 0), 0u);
  EXPECT_EQ(queue.Count(), 0u);
  // Usable again after the clear.
  EXPECT_EQ(queue.Push(0, bytes.data(), 3), 3u);
  EXPECT_EQ(queue.Pop(out, 4), 3u);
  EXPECT_EQ(out[2], 2);
}

}  // namespace
}  // namespace qx::port
