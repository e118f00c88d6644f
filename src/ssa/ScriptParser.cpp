#include "ssa/ScriptParser.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "log/Logger.h"
#include "ssa/TimeReader.h"
#include "ssa/Tokenizer.h"

namespace Quarn {
namespace {

// The log lines carry the name of the operation the host called.
constexpr const char* kCategory = "Container";
constexpr const char* kFunction = "Quarn::SSAContainer::open";

constexpr std::string_view kEventKinds[] = {
    "Dialogue:", "Comment:", "Picture:", "Sound:", "Movie:", "Command:"};
// Event lines shorter than this are ignored, as are shorter implied starts.
constexpr std::size_t kMinEventLine = 28;

bool startsWith(std::string_view line, std::string_view prefix) {
  return line.size() >= prefix.size() && line.compare(0, prefix.size(), prefix) == 0;
}

bool isEventLine(std::string_view line) {
  if (line.size() < kMinEventLine)
    return false;
  for (std::string_view kind : kEventKinds)
    if (startsWith(line, kind))
      return true;
  return false;
}

bool isLineBreak(char c) {
  return c == '\r' || c == '\n';
}

// One line: offsets into the text, [start, end).
struct Line {
  std::size_t start;
  std::size_t end;
  std::string_view text;
};

// The state of one parse. Each line handler returns false when memory for a
// copy ran out, which stops the parse.
struct ScanState {
  ScanState(std::string_view script, MediaBufferAllocator& chunks, bool headerHeld)
      : text(script), allocator(chunks), haveHeader(headerHeld) {}

  bool preambleLine(const Line& line);
  bool firstEventsLine(const Line& line);
  bool eventLine(const Line& line);

  std::string_view text;
  MediaBufferAllocator& allocator;
  // A header exists, made here or held by the caller.
  bool haveHeader;
  bool inEvents = false;
  bool inStyles = false;
  bool reprocess = false;
  std::int32_t startColumn = -1;
  std::int32_t endColumn = -1;
  ParsedScript result;
  std::vector<std::string_view> fields;  // reused by every line
};

bool ScanState::preambleLine(const Line& line) {
  const std::string_view text = line.text;
  if (startsWith(text, "[Events]")) {
    QUARN_LOG(kCategory, kFunction, "**Found events tag");
    inEvents = true;
  } else if (startsWith(text, "[V4 Styles]") || startsWith(text, "[V4+ Styles]")) {
    QUARN_LOG(kCategory, kFunction, "**Found style tag");
    inStyles = true;
  } else if (!inStyles &&
             (isEventLine(text) || (text.size() >= kMinEventLine && startsWith(text, "Format:")))) {
    // A script may start its events without a section header, but only
    // before any styles section.
    QUARN_LOG(kCategory, kFunction, "**Found implied events tag");
    inEvents = true;
    reprocess = true;
  }
  return true;
}

bool ScanState::firstEventsLine(const Line& line) {
  // The header exists from the first line of the events section on,
  // whatever that line holds; only a format or event line gives it text.
  haveHeader = true;
  const std::string_view text = line.text;
  if (text.size() >= 8 && startsWith(text, "Format:")) {
    QUARN_LOG(kCategory, kFunction, "**found event format tag");
    result.header = makeFormatHeader(this->text.substr(0, line.end));
    if (result.header->capacity() == 0)
      return false;
    tokenize(text.substr(7), ",", fields);
    for (std::size_t j = 0; j < fields.size() && (startColumn == -1 || endColumn == -1); ++j) {
      if (fields[j] == "Start") {
        startColumn = static_cast<std::int32_t>(j);
        QUARN_LOG(kCategory, kFunction, "**got start pos: %d", startColumn);
      } else if (fields[j] == "End") {
        endColumn = static_cast<std::int32_t>(j);
        QUARN_LOG(kCategory, kFunction, "**got end pos: %d", endColumn);
      }
    }
  } else if (isEventLine(text)) {
    // No format line: assume the usual columns. The header is everything
    // before this line but its last line-break byte; this line makes no entry.
    QUARN_LOG(kCategory, kFunction, "**missed event format tag, making default assumptions");
    result.header = makeFormatHeader(this->text.substr(0, line.start == 0 ? 0 : line.start - 1));
    if (result.header->capacity() == 0)
      return false;
    startColumn = 1;
    endColumn = 2;
  } else {
    result.header = makeFormatHeader(std::nullopt);
  }
  return true;
}

bool ScanState::eventLine(const Line& line) {
  const std::string_view text = line.text;
  if (!isEventLine(text))
    return true;
  QUARN_LOG(kCategory, kFunction, "**parsing event");
  if (startColumn < 0 || endColumn < 0)
    return true;
  // Only the fields up to the later time column matter; the text field,
  // commas and all, is never split.
  const std::size_t needed = static_cast<std::size_t>(std::max(startColumn, endColumn)) + 1;
  tokenize(text.substr(text.find(':') + 1), ",", fields, needed);
  if (fields.size() < needed)
    return true;

  const std::size_t n = text.size();
  std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[n + 1]);
  if (!block)
    return false;
  std::memcpy(block.get(), text.data(), n);
  block[n] = 0;
  // Grow ahead of the append, geometrically, so that the append cannot throw
  // once the chunk exists.
  std::vector<ChunkPtr>& entries = result.entries;
  if (entries.size() == entries.capacity())
    entries.reserve(entries.size() * 2 + 64);
  entries.emplace_back(allocator.createChunk(block.get(), static_cast<std::uint32_t>(n + 1)));
  block.release();
  MediaChunk& entry = *entries.back();
  entry.length() = static_cast<std::uint32_t>(n + 1);

  const unsigned char* bytes = entry.lockData();
  QUARN_LOG(kCategory, kFunction, " len: %d '%s'", static_cast<int>(entry.length() - 1),
            reinterpret_cast<const char*>(bytes));
  entry.unlockData();
  if (const auto start = readTime(fields[startColumn]))
    entry.timestamp = *start;
  // An end before the start wraps to a very large duration, as unsigned
  // arithmetic does; the stream serves such an entry like any other.
  if (const auto stop = readTime(fields[endColumn]))
    entry.duration = *stop - entry.timestamp;
  QUARN_LOG(kCategory, kFunction, "***start time: %u, duration: %u", entry.timestamp,
            entry.duration);
  return true;
}

}  // namespace

ParsedScript parseScript(std::string_view text, MediaBufferAllocator& allocator, bool headerHeld) {
  ScanState state(text, allocator, headerHeld);
  const std::size_t length = text.size();
  std::size_t start = 0;
  std::size_t end = 0;
  while (true) {
    // Any run of CR and LF is one separator, so blank lines never reach the
    // classification. A line flagged for a second look keeps its bounds.
    if (!state.reprocess) {
      start = end;
      while (start < length && isLineBreak(text[start]))
        ++start;
      end = start;
      while (end < length && !isLineBreak(text[end]))
        ++end;
    }
    state.reprocess = false;
    if (start >= length)
      break;

    const Line line{start, end, text.substr(start, end - start)};
    if (Logger::instance().isEnabled()) {
      const std::string copy(line.text);
      QUARN_LOG(kCategory, kFunction, "Got line %d:%d-%d '%s'", static_cast<int>(start),
                static_cast<int>(end), static_cast<int>(line.text.size()), copy.c_str());
    }
    bool ok = true;
    if (!state.inEvents)
      ok = state.preambleLine(line);
    else if (!state.haveHeader)
      ok = state.firstEventsLine(line);
    else
      ok = state.eventLine(line);
    if (!ok) {
      state.result.complete = false;
      break;
    }

    // Tested before the reprocess flag: a last line that implies the events
    // section is not looked at again.
    if (end >= length)
      break;
  }
  return std::move(state.result);
}

}  // namespace Quarn
