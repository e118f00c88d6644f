// The format-independent half of a subtitle container: host connection, lock,
// source path, stream table, programme and buffer allocator. A format class C
// derives from SubtitleParserTemplate<C> and supplies probe, open, the media
// type queries, the format tag and the header hand-over.
#pragma once

#include <boost/thread/recursive_mutex.hpp>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "framework/ContainerInterface.h"
#include "framework/List.h"
#include "framework/MediaBuffer.h"
#include "framework/MediaBufferAllocator.h"
#include "framework/String.h"

namespace Quarn {

/// Streams are created by addOverlayStream and offered by selectProgram; a
/// stream the host has been offered is the host's to destroy after
/// streamRemoved. Locking: `lock()` guards the stream table, the streams' entries and read
/// positions, the preferred language and the format header while open runs.
/// Host callbacks made while it is held: getSetting (during open), newId,
/// streamAdded, selectStream and streamRemoved.
template <class C>
class SubtitleParserTemplate : public ContainerInterface {
 public:
  class OverlayStream;

  SubtitleParserTemplate();
  ~SubtitleParserTemplate() override;

  String<unsigned char> getSourcePath() override;
  Result discardHeader() override { return ResultOk; }
  List<unsigned long long> getProgramIds() override;
  String<unsigned char> getProgramName(std::uint64_t programId) override;
  Result selectProgram(std::uint64_t programId) override;
  Result closeStreams(bool keep) override;
  Result getSourceSize(std::uint64_t* size) override;

  /// Slot 19. The format's tag by value.
  virtual FormatTag getFormatTag() = 0;
  /// Slot 20. Appends the format header to `headers` and hands it over; false
  /// when there is none.
  virtual bool takeHeader(List<MediaBuffer*>& headers) {
    (void)headers;
    return false;
  }

  /// Sorts `entries` by start time (not stably), draws a stream id from the
  /// host and registers a new stream over them; the component owns the
  /// entries from here on. Without a host the entries are freed and null is
  /// returned. Called by the format's open while it holds the lock.
  OverlayStream* addOverlayStream(std::vector<MediaChunk*> entries,
                                  const String<unsigned char>& name, const String<char>& language,
                                  const String<char>& region);

  boost::recursive_mutex& lock() { return lock_; }
  MediaBufferAllocator* bufferAllocator() const { return bufferAllocator_.get(); }
  /// The registered streams by id (under the lock).
  const std::map<std::uint64_t, OverlayStream*>& streams() const { return streams_; }
  std::uint64_t programId() const { return programId_; }

 protected:
  /// Empties the stream's entry array and releases every entry.
  void releaseEntries(OverlayStream& stream);

  String<unsigned char> sourcePath_;
  boost::recursive_mutex lock_;
  std::map<std::uint64_t, OverlayStream*> streams_;
  String<char> preferredLanguage_;
  std::uint64_t programId_ = ~std::uint64_t{0};
  std::unique_ptr<MediaBufferAllocator> bufferAllocator_;
};

}  // namespace Quarn
