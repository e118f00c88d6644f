// One script opened through the quarn-ssa plug-in module, as both elements
// serve it: the module and its connection, the stream, the caps and codec
// data from the header, the timeline of entries, and the reading of entries
// into timed blocks for a segment, forward or backward.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <quarn/StreamInterface.h>

#include "Connection.h"
#include "ElementProperties.h"
#include "MediaClock.h"
#include "Module.h"
#include "SubtitleBlocks.h"

namespace QuarnGst {

enum class Next { Entry, End, Failure };

class ScriptReader {
 public:
  /// Opens `location`, the URL the plug-in is given, with the module and
  /// settings `properties` name. Null when that fails; the error message,
  /// which says why, is then posted on `element`. Text that shows garbled,
  /// and entries that can never fall due, are reported in warning messages.
  static std::unique_ptr<ScriptReader> open(GstElement* element, const Properties& properties,
                                            const std::string& location);
  ~ScriptReader();
  ScriptReader(const ScriptReader&) = delete;
  ScriptReader& operator=(const ScriptReader&) = delete;

  /// application/x-ass or application/x-ssa with the header as codec_data.
  GstCaps* caps() const { return caps_; }
  /// The end of the last entry.
  GstClockTime duration() const { return duration_; }

  /// Moves the read position to where `segment` starts reading: the first
  /// entry still running at its start going forward, the last one starting
  /// before its stop going backward.
  void position(const GstSegment& segment);
  /// Reads the next entry that `segment` shows into `*out`; skips entries the
  /// reader does not want (comments) and those outside the segment. Entries
  /// that can never fall due end the reading going forward and are passed
  /// over going backward. A failure is posted on `element`.
  Next read(GstElement* element, const GstSegment& segment, bool comments, GstBuffer** out);

 private:
  ScriptReader() = default;
  QuarnHost::Trace* trace() { return trace_.get(); }
  /// Where the entry just read stands in start-time order.
  std::size_t placeOf(std::uint32_t timestamp, std::string_view line);

  /// One entry in start-time order, as the first read saw it: enough to
  /// know which entry a later read hands out.
  struct TimelineEntry {
    std::uint32_t timestamp;
    std::uint64_t hash;
  };

  // In this order, so that the connection is closed while the clock the
  // stream asks and the trace still exist, and the module is unloaded last.
  std::unique_ptr<QuarnHost::Trace> trace_;
  std::unique_ptr<QuarnHost::LoadedModule> module_;
  QuarnHost::MediaClock clock_;
  std::unique_ptr<QuarnHost::Connection> connection_;
  Quarn::StreamInterface* stream_ = nullptr;
  EventFormat format_;
  GstCaps* caps_ = nullptr;
  GstClockTime duration_ = 0;
  std::vector<TimelineEntry> timeline_;
  std::optional<std::size_t> next_;
  int direction_ = 1;
};

/// Whether a segment ends once `buffer` is out: going forward when the buffer
/// reaches the stop, backward when it starts at or before the start.
bool endsSegment(const GstBuffer* buffer, const GstSegment& segment);

}  // namespace QuarnGst
