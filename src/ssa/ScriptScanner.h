// The line scanner behind SSAContainer::open: it cuts a script into the
// format header and one timed entry per event line. Styles, override codes
// and the dialogue text are not interpreted; every byte reaches the header
// or an entry unchanged.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/MediaBuffer.h"

namespace Quarn {

class SSAContainer;

/// Scans one script for one open call. The container must be locked by the
/// caller. The header goes straight into the container (created on the
/// first line of the events section when the container holds none); the
/// entries, in file order, are owned by the scanner until takeEntries().
class ScriptScanner {
 public:
  ScriptScanner(SSAContainer& container, std::string_view text);
  /// Releases entries that were not taken.
  ~ScriptScanner();
  ScriptScanner(const ScriptScanner&) = delete;
  ScriptScanner& operator=(const ScriptScanner&) = delete;

  /// Scans the whole text. False when memory for a copy of the header or of
  /// a line could not be obtained; the scan then stopped at that line.
  /// Allocation failures of the chunk objects themselves propagate.
  bool scan();

  /// The entries in file order; the caller owns them from here on.
  std::vector<MediaChunk*> takeEntries();
  std::size_t entryCount() const { return entries_.size(); }

 private:
  // One line: offsets into the text, [start, end).
  struct Line {
    std::size_t start;
    std::size_t end;
    std::string_view text;
  };

  bool preambleLine(const Line& line);
  bool firstEventsLine(const Line& line);
  bool eventLine(const Line& line);
  /// Gives the container's header a copy of text bytes [0, length) plus a
  /// zero byte and tags it as a script header. False when out of memory.
  bool setHeaderText(std::size_t length);

  SSAContainer& container_;
  std::string_view text_;
  bool inEvents_ = false;
  bool inStyles_ = false;
  bool reprocess_ = false;
  std::int32_t startColumn_ = -1;
  std::int32_t endColumn_ = -1;
  std::vector<MediaChunk*> entries_;
  std::vector<std::string_view> fields_;  // reused by every line
};

}  // namespace Quarn
