// The time index must answer exactly as a scan of the table from one end
// would, including end times that wrap at 32 bits.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "subtitle/EntryIndex.h"

namespace Quarn {
namespace {

std::uint32_t endOf(const EntryRecord& e) {
  return e.start + e.duration;
}

TEST(EntryIndex, AgreesWithLinearScans) {
  std::mt19937 random(3);
  for (int round = 0; round < 200; ++round) {
    std::vector<EntryRecord> drawn(random() % 40);
    for (EntryRecord& e : drawn) {
      // Small values make ties and overlaps common; a few huge durations wrap.
      e.start = random() % 100;
      e.duration = random() % 8 == 0 ? 0xFFFFFFF0u + random() % 32 : random() % 60;
    }
    std::sort(drawn.begin(), drawn.end(),
              [](const EntryRecord& a, const EntryRecord& b) { return a.start < b.start; });
    EntryTable entries;
    for (const EntryRecord& e : drawn)
      entries.append(e);
    EntryIndex index;
    index.build(entries);
    ASSERT_EQ(index.size(), entries.size());
    const std::int64_t n = static_cast<std::int64_t>(entries.size());

    for (std::uint32_t time : {0u, 1u, 50u, 99u, 100u, 170u, 0xFFFFFFFFu, 0xFFFFFFF5u}) {
      std::int64_t scan = 0;
      while (scan < n && endOf(entries[scan]) < time)
        ++scan;
      EXPECT_EQ(static_cast<std::int64_t>(index.firstEndingAtOrAfter(time)), scan) << time;

      scan = 0;
      while (scan < n && entries[scan].start < time)
        ++scan;
      EXPECT_EQ(static_cast<std::int64_t>(index.firstStartingAtOrAfter(time)), scan) << time;

      scan = n - 1;
      while (scan >= 0 && entries[scan].start >= time)
        --scan;
      EXPECT_EQ(index.lastStartingBefore(time), scan) << time;

      scan = n - 1;
      while (scan >= 0 && endOf(entries[scan]) >= time)
        --scan;
      EXPECT_EQ(index.lastEndingBefore(time), scan) << time;
    }
  }

  EntryIndex empty;
  empty.build(EntryTable());
  EXPECT_EQ(empty.firstEndingAtOrAfter(5), 0u);
  EXPECT_EQ(empty.lastEndingBefore(5), -1);
}

}  // namespace
}  // namespace Quarn
