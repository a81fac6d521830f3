#include "platform/ordered_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace velkaro {
namespace {

struct Squared {
  long value = -1;
  int lane = -1;
};

// Every item is worked on once, on one of the two lanes, and handed out in
// the list's order with its own result; items of uneven length keep both
// lanes busy and never let the helper run more than kAhead items ahead.
TEST(OrderedWork, HandsOutEveryItemInOrderWorkedOnOnce) {
  constexpr size_t kItems = 200;
  std::vector<std::atomic<int>> times(kItems);
  std::atomic<size_t> lastTaken{0}, furthestAhead{0};
  OrderedWork<Squared> work(kItems, [&](size_t i, int lane, Squared& out) {
    ++times[i];
    const size_t ahead = i > lastTaken ? i - lastTaken : 0;
    if (ahead > furthestAhead) furthestAhead = ahead;
    std::this_thread::sleep_for(std::chrono::microseconds(i % 7 == 0 ? 300 : 20));
    out.value = static_cast<long>(i * i);
    out.lane = lane;
  });
  int onHelper = 0;
  for (size_t i = 0; i < kItems; ++i) {
    lastTaken = i;
    const Squared* result = work.take(i, [] { return true; });
    ASSERT_NE(result, nullptr) << i;
    EXPECT_EQ(result->value, static_cast<long>(i * i));
    onHelper += result->lane == 1 ? 1 : 0;
  }
  for (size_t i = 0; i < kItems; ++i) EXPECT_EQ(times[i].load(), 1) << i;
  EXPECT_GT(onHelper, 0);
  EXPECT_LE(furthestAhead.load(), OrderedWork<Squared>::kAhead + 1);
}

// A wait the caller gives up (an abort) returns nothing; an item whose work
// throws comes out as a fresh result rather than ending the program.
TEST(OrderedWork, GivesUpWhenToldAndSurvivesAFailingItem) {
  {
    OrderedWork<Squared> work(3, [&](size_t i, int, Squared& out) {
      if (i == 1) throw std::runtime_error("damaged");
      out.value = static_cast<long>(i);
    });
    for (long i : {0, 1, 2}) {
      const Squared* result = work.take(static_cast<size_t>(i), [] { return true; });
      ASSERT_NE(result, nullptr) << i;
      EXPECT_EQ(result->value, i == 1 ? -1 : i);
    }
  }
  // The helper hangs on item 0; the caller does item 1 meanwhile, then
  // waits for item 0 until it gives up.
  std::atomic<bool> release{false}, helperOnFirst{false};
  OrderedWork<Squared> stuck(2, [&](size_t i, int lane, Squared&) {
    if (i != 0) return;
    helperOnFirst = lane == 1;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  while (!helperOnFirst) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  int waits = 0;
  EXPECT_EQ(stuck.take(0, [&] { return ++waits < 3; }), nullptr);
  EXPECT_EQ(waits, 3);
  release = true;   // lets the helper finish, so that it can be joined
}

}  // namespace
}  // namespace velkaro
