// How the reader walks a script: its lines, the sections they open, the
// events format and the event lines that become entries. The plug-in's
// parser builds the header and the entries from it; a host explains from it
// why a script gives none. Styles, override codes and the dialogue text are
// not interpreted here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace Quarn {

/// Event lines shorter than this are ignored, as are shorter implied starts.
constexpr std::size_t kMinEventLine = 28;

/// True for a line of kMinEventLine bytes or more that starts "Dialogue:",
/// "Comment:", "Picture:", "Sound:", "Movie:" or "Command:".
bool isEventLine(std::string_view line);

/// What one line is to the reader, in the order the reader meets them.
enum class LineKind : std::uint8_t {
  // Before the events section.
  Preamble,       // nothing the reader uses
  EventsMark,     // "[Events]": the events section starts after it
  StylesMark,     // "[V4 Styles]" or "[V4+ Styles]": no line implies the events after it
  ImpliedEvents,  // an event line or long "Format:" line before any styles
                  // section starts the events itself; the same line comes again
  // The first line of the events section, which makes the format header.
  EventsFormat,   // "Format:": the time columns are read from it
  EventsDefault,  // an event line: the usual columns are assumed, and it makes no entry
  EventsBare,     // anything else: a header without text
  // After it.
  Other,           // not an event line
  EventNoColumns,  // an event line, but no Start or no End column is known
  EventShort,      // an event line without the fields up to the time columns
  Entry,           // an event line that becomes an entry
};

/// One line: offsets into the text, [start, end), and what it is.
struct ScriptLine {
  std::size_t start = 0;
  std::size_t end = 0;
  std::string_view text;
  LineKind kind = LineKind::Preamble;
};

/// A time column a format line named, in the order the reader took it.
struct ColumnFound {
  bool start;  // else the end column
  std::int32_t index;
};

class ScriptScanner {
 public:
  /// Walks `text`. Any run of CR and LF ends a line, so blank lines never
  /// reach the reader. With `headerHeld` a header exists already (the reader
  /// keeps one from an earlier script): the events section then has no first
  /// line, no column is known and no event line becomes an entry.
  ScriptScanner(std::string_view text, bool headerHeld);

  /// The next line, classified; false after the last.
  bool next(ScriptLine& line);

  /// The time columns, -1 while unknown.
  std::int32_t startColumn() const { return startColumn_; }
  std::int32_t endColumn() const { return endColumn_; }
  /// The fields of the last EventsFormat line, or of the last Entry up to
  /// its later time column. Views into the text.
  const std::vector<std::string_view>& fields() const { return fields_; }
  /// The time columns the EventsFormat line named, in the order they were
  /// taken; a column named twice before the other is taken twice.
  const std::vector<ColumnFound>& columnsFound() const { return columnsFound_; }

 private:
  LineKind classify(std::string_view line);
  LineKind firstEventsLine(std::string_view line);
  LineKind eventsLine(std::string_view line);

  std::string_view text_;
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  bool finished_ = false;
  bool again_ = false;  // the last line comes again
  bool inEvents_ = false;
  bool inStyles_ = false;
  bool haveHeader_;
  std::int32_t startColumn_ = -1;
  std::int32_t endColumn_ = -1;
  std::vector<std::string_view> fields_;
  std::vector<ColumnFound> columnsFound_;
};

}  // namespace Quarn
