#include "subtitle/EntryIndex.h"

#include <algorithm>

#include "platform/Memory.h"

namespace Quarn {

void EntryIndex::build(const EntryTable& entries) {
  const std::size_t n = entries.size();
  Platform::reservePrepared(starts_, n);
  Platform::reservePrepared(maxEndFromFront_, n);
  Platform::reservePrepared(minEndFromBack_, n);
  starts_.resize(n);
  maxEndFromFront_.resize(n);
  minEndFromBack_.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    starts_[i] = entries[i].start;
    const std::uint32_t end = entries[i].start + entries[i].duration;
    maxEndFromFront_[i] = i == 0 ? end : std::max(maxEndFromFront_[i - 1], end);
    minEndFromBack_[i] = end;
  }
  for (std::size_t i = n; i-- > 1;)
    minEndFromBack_[i - 1] = std::min(minEndFromBack_[i - 1], minEndFromBack_[i]);
}

void EntryIndex::clear() {
  starts_ = {};
  maxEndFromFront_ = {};
  minEndFromBack_ = {};
}

std::size_t EntryIndex::firstEndingAtOrAfter(std::uint32_t time) const {
  // The first entry whose running maximum reaches `time` is the first that
  // itself ends at or after it.
  return static_cast<std::size_t>(
      std::lower_bound(maxEndFromFront_.begin(), maxEndFromFront_.end(), time) -
      maxEndFromFront_.begin());
}

std::size_t EntryIndex::firstStartingAtOrAfter(std::uint32_t time) const {
  return static_cast<std::size_t>(std::lower_bound(starts_.begin(), starts_.end(), time) -
                                  starts_.begin());
}

std::int64_t EntryIndex::lastStartingBefore(std::uint32_t time) const {
  return static_cast<std::int64_t>(firstStartingAtOrAfter(time)) - 1;
}

std::int64_t EntryIndex::lastEndingBefore(std::uint32_t time) const {
  // The last entry whose minimum-to-the-end is still below `time` is the
  // last that itself ends before it.
  return static_cast<std::int64_t>(
             std::lower_bound(minEndFromBack_.begin(), minEndFromBack_.end(), time) -
             minEndFromBack_.begin()) -
         1;
}

}  // namespace Quarn
