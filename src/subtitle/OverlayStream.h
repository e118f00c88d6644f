// The stream a subtitle container offers: its entries, read in step with the
// host's media clock in either direction.
#pragma once

#include <cstdint>

#include "framework/StreamInterface.h"
#include "subtitle/EntryIndex.h"
#include "subtitle/SubtitleParserTemplate.h"

namespace Quarn {

/// Serves the container's entries (sorted by start time) to the host. Each
/// read hands out a fresh copy of the next entry once the media time is
/// within kLeadMs of its start; late entries are never skipped.
///
/// setConsumer, rewind, findSyncPoint, seekStream, readStream and setRate run
/// under the container's recursive lock. The stream holds the entries; the
/// container releases them (releaseEntries) in closeStreams or when it goes,
/// so that a stream the host keeps longer holds no script. The stream object
/// belongs to the host once it has been offered with streamAdded.
template <class C>
class SubtitleParserTemplate<C>::OverlayStream : public StreamInterface {
 public:
  /// How long before its start an entry becomes due, in milliseconds.
  static constexpr std::uint32_t kLeadMs = 500;
  /// The stream type reported to the host.
  static constexpr std::uint32_t kStreamType = 320;

  /// `entries` must be sorted by start.
  OverlayStream(SubtitleParserTemplate& container, std::uint64_t streamId, EntryTable entries,
                const String<unsigned char>& name, const String<char>& language,
                const String<char>& region);
  ~OverlayStream() override = default;

  Result reservedA() override { return ResultOk; }
  bool getDescription(String<unsigned char>* name, String<char>* language, String<char>* region,
                      std::int32_t unused) override;
  const FormatDescriptor& getFormat() override { return format_; }
  const ImageProperties& getProperties() override { return properties_; }
  std::uint32_t getStreamType() override { return kStreamType; }
  /// ResultUnavailable for null, keeping the previous consumer.
  Result setConsumer(StreamConsumer* consumer) override;
  Result rewind() override;
  Result findSyncPoint(std::int32_t unused, std::uint32_t time, std::uint32_t* out) override;
  Result seekStream(std::uint32_t time, std::uint32_t* reached, std::int32_t flag) override;
  Result reservedB() override { return ResultOk; }
  /// ResultOk with a chunk; ResultOk with null at the end of the stream in
  /// the current direction or at rate 0; ResultUnavailable with null when no
  /// media time is known or the next entry is not due yet.
  Result readStream(MediaChunk** chunk) override;
  /// Repositions at the current entry (through seekStream, in the direction
  /// of the old rate), then stores the new rate. Always true.
  bool setRate(std::int32_t rate) override;
  bool takeHeader(List<MediaBuffer*>& headers) override { return container_.takeHeader(headers); }

  const String<char>& language() const { return language_; }
  const String<char>& region() const { return region_; }
  /// The read position (under the container's lock).
  std::int32_t readIndex() const { return readIndex_; }
  /// Number of entries still served (under the container's lock).
  std::size_t entryCount() const { return entries_.size(); }
  /// Frees the entries and their text; the stream then serves nothing.
  /// Under the container's lock.
  void releaseEntries();

 private:
  /// Start and end times of the entries, for seeks and sync points: built
  /// on the first call, as a host that only plays never makes one.
  const EntryIndex& index();
  /// True when `index` designates an entry.
  bool inTable(std::int64_t index) const {
    return index >= 0 && index < static_cast<std::int64_t>(entries_.size());
  }

  SubtitleParserTemplate& container_;
  StreamConsumer* consumer_ = nullptr;
  FormatDescriptor format_;
  String<unsigned char> name_;
  String<char> language_;
  String<char> region_;
  EntryTable entries_;
  EntryIndex index_;  // reached through index() only
  bool indexed_ = false;
  std::int32_t readIndex_ = 0;
  ImageProperties properties_;
};

}  // namespace Quarn
