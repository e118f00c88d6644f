// The host's media clock: free, or paced at the rate's speed in either
// direction, within [0, 2147483647] for every rate and however long it runs,
// and the wait until it reaches a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <random>
#include <string>

#include "MediaClock.h"

namespace QuarnHost {
namespace {

constexpr std::int32_t kLatest = MediaClock::kLatest;
constexpr std::int32_t kLowestRate = std::numeric_limits<std::int32_t>::min();

/// A clock whose wall time the test moves.
struct FakeWall {
  std::int64_t now = 5000;
  MediaClock clock{[this] { return now; }};
};

TEST(MediaClock, FreeRunningAnswersTheLatestTime) {
  MediaClock clock([] { return std::int64_t{123}; });
  EXPECT_EQ(clock.getMediaTime(), std::numeric_limits<std::int32_t>::max());
  clock.startPaced(0);
  clock.runFree();
  EXPECT_EQ(clock.getMediaTime(), MediaClock::kLatest);
}

TEST(MediaClock, PacedCountsFromTheStartTimeAndStopsAtTheLatest) {
  std::int64_t now = 5000;
  MediaClock clock([&now] { return now; });
  clock.startPaced(2500);
  EXPECT_EQ(clock.getMediaTime(), 2500);
  now += 250;
  EXPECT_EQ(clock.getMediaTime(), 2750);

  clock.startPaced(4294967295u);  // a seek beyond every signed media time
  EXPECT_EQ(clock.getMediaTime(), MediaClock::kLatest);
  clock.startPaced(2147483000u);
  now += 10000;
  EXPECT_EQ(clock.getMediaTime(), MediaClock::kLatest);
}

struct TimeCase {
  std::int64_t start;
  std::int32_t rate;
  std::int64_t elapsed;
  std::int32_t expected;
};

TEST(MediaClock, RunsAtTheRatesSpeedWithinTheRange) {
  const TimeCase cases[] = {
      // The rate is the speed in thousandths: slower, normal, faster.
      {0, 500, 1000, 500},
      {0, 500, 1, 0},  // whole milliseconds, rounded down
      {2500, 1000, 250, 2750},
      {0, 2000, 1000, 2000},
      {0, 2000, 0, 0},
      // Backwards from the start, stopping at 0.
      {5000, -1000, 1500, 3500},
      {5000, -2000, 1500, 2000},
      {5000, -500, 1500, 4250},
      {1000, -1000, 5000, 0},
      {0, -1000, 1, 0},
      // At rate 0 it stands still.
      {7000, 0, 100000, 7000},
      // A start outside the range is clamped first, whichever the direction.
      {4294967295, -1000, 1000, kLatest - 1000},
      {-20, 1000, 30, 30},
      // The fastest rates cross the whole range within a second.
      {0, kLatest, 1, 2147483},
      {0, kLatest, 999, 2145336163},
      {0, kLatest, 1000, kLatest},
      {kLatest, kLowestRate, 1, kLatest - 2147483},
      {kLatest, kLowestRate, 1000, 0},
      // Runs long enough to overflow a 64-bit product of time and rate.
      {0, kLatest, std::int64_t{1} << 40, kLatest},
      {kLatest, kLowestRate, std::int64_t{1} << 45, 0},
      {0, 1, (std::int64_t{1} << 31) * 1000 - 1, kLatest},
      {kLatest, -1, (std::int64_t{1} << 31) * 1000 - 1000, 0},
      {0, 1, std::numeric_limits<std::int64_t>::max() / 2, kLatest},
  };
  for (const TimeCase& c : cases) {
    FakeWall wall;
    wall.clock.startPaced(c.start, c.rate);
    wall.now += c.elapsed;
    EXPECT_EQ(wall.clock.getMediaTime(), c.expected)
        << "start " << c.start << ", rate " << c.rate << ", after " << c.elapsed << " ms";
  }
}

TEST(MediaClock, WallTimeGoingBackIsNoTime) {
  FakeWall wall;
  wall.clock.startPaced(3000, -1000);
  wall.now -= 1000;
  EXPECT_EQ(wall.clock.getMediaTime(), 3000);
  EXPECT_EQ(wall.clock.msUntil(2000), std::optional<std::int64_t>(1000));
}

struct WaitCase {
  std::int64_t start;
  std::int32_t rate;
  std::int64_t elapsed;
  std::int64_t time;
  std::optional<std::int64_t> expected;
};

TEST(MediaClock, WaitUntilItReachesATime) {
  const WaitCase cases[] = {
      // Forward at three speeds, and what has passed already counts.
      {0, 1000, 0, 300, 300},
      {0, 500, 0, 300, 600},
      {0, 2000, 0, 300, 150},
      {0, 1000, 200, 300, 100},
      {0, 3000, 0, 1000, 334},  // rounded up: after 333 ms the clock is at 999
      // Reached already: behind the clock in its direction, or passed.
      {1000, 1000, 0, 500, 0},
      {1000, 1000, 0, 1000, 0},
      {0, 1000, 400, 300, 0},
      {5000, -1000, 0, 6000, 0},
      // Backwards: down to the time.
      {5000, -1000, 0, 4000, 1000},
      {5000, -4000, 0, 1000, 1000},
      {5000, -4000, 500, 1000, 500},
      // Times outside the range wait for the end the clock stops at.
      {0, 1000, 0, 4294967295, kLatest},
      {0, kLatest, 0, std::int64_t{1} << 33, 1000},
      {1000, -1000, 0, -5, 1000},
      {kLatest, kLowestRate, 0, -1, 1000},
      // Standing still, it never gets anywhere but where it is.
      {7000, 0, 0, 7001, std::nullopt},
      {7000, 0, 0, 7000, 0},
  };
  for (const WaitCase& c : cases) {
    FakeWall wall;
    wall.clock.startPaced(c.start, c.rate);
    wall.now += c.elapsed;
    EXPECT_EQ(wall.clock.msUntil(c.time), c.expected)
        << "start " << c.start << ", rate " << c.rate << ", after " << c.elapsed << " ms, to "
        << c.time;
  }

  MediaClock free([] { return std::int64_t{0}; });
  free.runFree();
  EXPECT_EQ(free.msUntil(kLatest), std::optional<std::int64_t>(0));
}

// The wait is exact: after it the clock is at or past the time in its
// direction, and a millisecond earlier it was not yet.
TEST(MediaClock, WaitEndsExactlyWhereTheClockReachesTheTime) {
  std::mt19937_64 random(20261208);
  const std::int32_t rates[] = {1,       7,  500, 999,  1000,  1001,  4000,    123457,
                                kLatest, -1, -3,  -500, -1000, -4000, -999999, kLowestRate};
  for (int round = 0; round < 2000; ++round) {
    const std::int32_t rate = rates[random() % std::size(rates)];
    const std::int64_t start = static_cast<std::int64_t>(random() % (std::int64_t{1} << 32));
    const std::int64_t time =
        static_cast<std::int64_t>(random() % (std::int64_t{1} << 33)) - (std::int64_t{1} << 31);
    FakeWall wall;
    wall.clock.startPaced(start, rate);
    const std::optional<std::int64_t> wait = wall.clock.msUntil(time);
    ASSERT_TRUE(wait.has_value()) << rate;
    const std::int64_t target = std::clamp<std::int64_t>(time, 0, kLatest);
    auto reached = [&] {
      const std::int32_t now = wall.clock.getMediaTime();
      return rate < 0 ? now <= target : now >= target;
    };
    const std::string shown = "start " + std::to_string(start) + ", rate " + std::to_string(rate) +
                              ", to " + std::to_string(time);
    if (*wait > 0) {
      wall.now += *wait - 1;
      EXPECT_FALSE(reached()) << shown;
      EXPECT_EQ(wall.clock.msUntil(time), std::optional<std::int64_t>(1)) << shown;
      wall.now += 1;
    }
    EXPECT_TRUE(reached()) << shown;
    EXPECT_EQ(wall.clock.msUntil(time), std::optional<std::int64_t>(0)) << shown;
  }
}

}  // namespace
}  // namespace QuarnHost
