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
#include "subtitle/EntryTable.h"
#include "subtitle/HandOutAllocator.h"

namespace Quarn {

/// Streams are created by addOverlayStream and offered by selectProgram; a
/// stream the host has been offered is the host's to destroy after
/// streamRemoved. Locking: `lock()` guards the source path, the stream
/// table, the streams' entries and read positions, the preferred language,
/// the programme id and the format header. Host callbacks made while it is
/// held: getSetting (during open), newId, streamAdded, selectStream and
/// streamRemoved.
template <class C>
class SubtitleParserTemplate : public ContainerInterface {
 public:
  class OverlayStream;

  /// One row of the stream table. The row owns its stream until the stream
  /// is offered to the host; from then on the host owns it and destroys it
  /// after streamRemoved, and the row only points at it. Either way the
  /// component releases the stream's entries.
  class StreamRow {
   public:
    explicit StreamRow(std::unique_ptr<OverlayStream> stream)
        : stream_(stream.get()), owned_(std::move(stream)) {}

    OverlayStream* get() const { return stream_; }
    OverlayStream* operator->() const { return stream_; }
    /// Gives the stream up to the host, which is about to be shown it.
    OverlayStream& offer() {
      owned_.release();
      return *stream_;
    }
    bool offered() const { return owned_ == nullptr; }

   private:
    OverlayStream* stream_;
    std::unique_ptr<OverlayStream> owned_;  // null once offered
  };

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
  /// host and registers a new stream over them, which keeps the entries and
  /// their text until the component releases them. Without a host the
  /// entries are freed and null is returned. Called by the format's open
  /// while it holds the lock.
  OverlayStream* addOverlayStream(EntryTable entries, const String<unsigned char>& name,
                                  const String<char>& language, const String<char>& region);

  boost::recursive_mutex& lock() { return lock_; }
  /// The component's allocator of buffers, which hosts may ask for.
  MediaBufferAllocator* bufferAllocator() const { return bufferAllocator_.get(); }
  /// Makes the copies handed to consumers, which may outlive the component.
  HandOutAllocator& handOutAllocator() const { return handOut_; }
  /// The registered streams by id (under the lock).
  const std::map<std::uint64_t, StreamRow>& streams() const { return streams_; }
  std::uint64_t programId() const { return programId_; }

 protected:
  /// Orders `entries` by start time with an unstable sort, so that equal
  /// starts keep the order every earlier version gave them.
  static void sortByStart(EntryTable& entries);

  String<unsigned char> sourcePath_;
  boost::recursive_mutex lock_;
  std::map<std::uint64_t, StreamRow> streams_;
  String<char> preferredLanguage_;
  std::uint64_t programId_ = ~std::uint64_t{0};
  std::unique_ptr<MediaBufferAllocator> bufferAllocator_;
  HandOutAllocator& handOut_;
};

}  // namespace Quarn
