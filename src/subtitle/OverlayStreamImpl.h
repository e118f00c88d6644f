// Definitions of SubtitleParserTemplate<C>::OverlayStream; included only where
// the template is instantiated.
#pragma once

#include <cstring>
#include <memory>
#include <mutex>

#include "framework/ChunkPtr.h"
#include "log/Logger.h"
#include "subtitle/OverlayStream.h"

namespace Quarn {

namespace OverlayStreamLog {
constexpr const char* kSeekFunction =
    "Quarn::SubtitleParserTemplate<class Quarn::SSAContainer>::OverlayStream::seekStream";
constexpr const char* kReadFunction =
    "Quarn::SubtitleParserTemplate<class Quarn::SSAContainer>::OverlayStream::readStream";
}  // namespace OverlayStreamLog

template <class C>
SubtitleParserTemplate<C>::OverlayStream::OverlayStream(SubtitleParserTemplate& container,
                                                        std::uint64_t streamId, EntryTable entries,
                                                        const String<unsigned char>& name,
                                                        const String<char>& language,
                                                        const String<char>& region)
    : StreamInterface(container.getContainerId(), streamId, 0),
      container_(container),
      name_(name),
      language_(language),
      region_(region),
      entries_(std::move(entries)) {
  format_.formatCode = 20;
  format_.kind = 4;
  std::memcpy(format_.tag, container.getFormatTag().bytes, sizeof format_.tag);
  rate_ = 1000;
  properties_.width = 640;
  properties_.height = 480;
}

template <class C>
void SubtitleParserTemplate<C>::OverlayStream::releaseEntries() {
  entries_ = EntryTable();
  index_.clear();
  indexed_ = false;
}

template <class C>
const EntryIndex& SubtitleParserTemplate<C>::OverlayStream::index() {
  if (!indexed_) {
    index_.build(entries_);
    indexed_ = true;
  }
  return index_;
}

template <class C>
bool SubtitleParserTemplate<C>::OverlayStream::getDescription(String<unsigned char>* name,
                                                              String<char>* language,
                                                              String<char>* region, std::int32_t) {
  bool written = false;
  if (name != nullptr && !name_.isEmpty()) {
    name->assign(name_);
    written = true;
  }
  if (language != nullptr && !language_.isEmpty()) {
    language->assign(language_);
    written = true;
  }
  if (region != nullptr && !region_.isEmpty()) {
    region->assign(region_);
    written = true;
  }
  return written;
}

template <class C>
Result SubtitleParserTemplate<C>::OverlayStream::setConsumer(StreamConsumer* consumer) {
  std::lock_guard<boost::recursive_mutex> guard(container_.lock());
  if (consumer == nullptr)
    return ResultUnavailable;
  consumer_ = consumer;
  return ResultOk;
}

template <class C>
Result SubtitleParserTemplate<C>::OverlayStream::rewind() {
  std::lock_guard<boost::recursive_mutex> guard(container_.lock());
  readIndex_ = rate_ > 0 ? 0 : static_cast<std::int32_t>(entries_.size()) - 1;
  return ResultOk;
}

template <class C>
Result SubtitleParserTemplate<C>::OverlayStream::findSyncPoint(std::int32_t, std::uint32_t time,
                                                               std::uint32_t* out) {
  std::lock_guard<boost::recursive_mutex> guard(container_.lock());
  if (out == nullptr)
    return ResultFailed;
  if (entries_.empty()) {
    *out = time;
    return ResultOk;
  }
  const std::int32_t rate = rate_;
  if (rate == 0)
    return ResultFailed;
  if (rate > 0) {
    // The first entry that starts at or after `time`, else the end of the last.
    const std::size_t i = index().firstStartingAtOrAfter(time);
    *out =
        i < entries_.size() ? entries_[i].start : entries_.back().start + entries_.back().duration;
    return ResultOk;
  }
  // Backward: the last entry that ends before `time`, else just before the
  // first one (wrapping to 4294967295 when it starts at 0).
  const std::int64_t i = index().lastEndingBefore(time);
  *out = i >= 0 ? entries_[static_cast<std::size_t>(i)].start : entries_.front().start - 1u;
  return ResultOk;
}

template <class C>
Result SubtitleParserTemplate<C>::OverlayStream::seekStream(std::uint32_t time,
                                                            std::uint32_t* reached, std::int32_t) {
  std::lock_guard<boost::recursive_mutex> guard(container_.lock());
  if (entries_.empty()) {
    if (reached != nullptr)
      *reached = time;
    return ResultOk;
  }
  const std::int32_t rate = rate_;
  if (rate == 0)
    return ResultFailed;

  const std::int32_t count = static_cast<std::int32_t>(entries_.size());
  std::uint32_t reportedTime = 0;
  if (rate > 0) {
    // The first entry still running at `time`; past the last one, the end.
    const std::int32_t i = static_cast<std::int32_t>(index().firstEndingAtOrAfter(time));
    readIndex_ = i;
    reportedTime =
        i < count ? entries_[i].start : entries_.back().start + entries_.back().duration + 1u;
  } else {
    // The last entry that starts before `time`; before the first, the start.
    const std::int32_t i = static_cast<std::int32_t>(index().lastStartingBefore(time));
    readIndex_ = i >= 0 ? i : 0;
    reportedTime = i >= 0 ? entries_[i].start : 0;
  }
  if (reached != nullptr)
    *reached = reportedTime;

  if (inTable(readIndex_)) {
    QUARN_LOG("Container", OverlayStreamLog::kSeekFunction, "Subtitle Stream: seeked to %d",
              static_cast<int>(entries_[readIndex_].start));
  } else {
    QUARN_LOG("Container", OverlayStreamLog::kSeekFunction, "Subtitle Stream: seeked to %s",
              rate > 0 ? "end" : "beginning");
  }
  return ResultOk;
}

template <class C>
Result SubtitleParserTemplate<C>::OverlayStream::readStream(MediaChunk** chunk) {
  if (chunk == nullptr)
    return ResultFailed;
  *chunk = nullptr;
  std::lock_guard<boost::recursive_mutex> guard(container_.lock());
  if (consumer_ == nullptr)
    return ResultUnavailable;
  const std::int32_t mediaTime = consumer_->getMediaTime();
  if (mediaTime < 0)
    return ResultUnavailable;

  // Only a position inside the table is available, whatever the direction.
  const std::int32_t rate = rate_;
  if (rate == 0 || !inTable(readIndex_))
    return ResultOk;

  const EntryRecord& entry = entries_[static_cast<std::size_t>(readIndex_)];
  if (static_cast<std::uint32_t>(mediaTime) + kLeadMs < entry.start)
    return ResultUnavailable;

  // One allocation for the chunk and its bytes; nothing is kept if it
  // fails, and the exception leaves after the lock is released.
  ChunkPtr copy(
      container_.handOutAllocator().createTextCopy(entries_.bytesOf(entry), entry.length));
  copy->timestamp = entry.start;
  copy->duration = entry.duration;

  readIndex_ += rate > 0 ? 1 : -1;
  // The next entry's line is fetched while the host works on this one.
  if (inTable(readIndex_))
    __builtin_prefetch(entries_.bytesOf(entries_[static_cast<std::size_t>(readIndex_)]));
  lastEndTime_ = static_cast<std::int32_t>(copy->timestamp + copy->duration);
  // The consumer is asked again so that the line shows the latest clock.
  const std::int32_t loggedTime = consumer_->getMediaTime();
  QUARN_LOG("Subtitle", OverlayStreamLog::kReadFunction,
            "PARSED(Sub=%i): timestamp=%d duration=%d mediatime=%d", streamNumber_,
            static_cast<int>(copy->timestamp), static_cast<int>(copy->duration), loggedTime);
  // The caller owns the copy from here.
  *chunk = copy.release();
  return ResultOk;
}

template <class C>
bool SubtitleParserTemplate<C>::OverlayStream::setRate(std::int32_t rate) {
  // Held across the reposition and the store, so that no read sees the new
  // position with the old rate.
  std::lock_guard<boost::recursive_mutex> guard(container_.lock());
  if (rate == rate_)
    return true;
  if (!entries_.empty()) {
    const std::int32_t last = static_cast<std::int32_t>(entries_.size()) - 1;
    const std::int32_t index = readIndex_ < 0 ? 0 : (readIndex_ > last ? last : readIndex_);
    const EntryRecord& entry = entries_[static_cast<std::size_t>(index)];
    const std::uint32_t target = rate < 0 ? entry.start + entry.duration : entry.start;
    seekStream(target, nullptr, 1);  // still in the direction of the old rate
  }
  return StreamInterface::setRate(rate);
}

}  // namespace Quarn
