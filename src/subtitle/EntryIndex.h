// Time lookups over a table of entries sorted by start time, in logarithmic
// time instead of a scan from one end. End times (start + duration, wrapping
// at 32 bits like every time sum) are not sorted, so the index keeps their
// running maximum from the front and running minimum from the back, which
// are monotone and answer "first entry ending at or after t" and "last entry
// ending before t" exactly as a scan would.
#pragma once

#include <cstdint>
#include <vector>

#include "subtitle/EntryTable.h"

namespace Quarn {

class EntryIndex {
 public:
  /// `entries` must be sorted by start (unsigned, non-decreasing).
  void build(const EntryTable& entries);
  void clear();
  std::size_t size() const { return starts_.size(); }

  /// Lowest index whose entry ends at or after `time`, or size().
  std::size_t firstEndingAtOrAfter(std::uint32_t time) const;
  /// Lowest index whose entry starts at or after `time`, or size().
  std::size_t firstStartingAtOrAfter(std::uint32_t time) const;
  /// Highest index whose entry starts before `time`, or -1.
  std::int64_t lastStartingBefore(std::uint32_t time) const;
  /// Highest index whose entry ends before `time`, or -1.
  std::int64_t lastEndingBefore(std::uint32_t time) const;

 private:
  std::vector<std::uint32_t> starts_;
  std::vector<std::uint32_t> maxEndFromFront_;
  std::vector<std::uint32_t> minEndFromBack_;
};

}  // namespace Quarn
