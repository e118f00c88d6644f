#include "ssa/ScriptParser.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "log/Logger.h"
#include "platform/Memory.h"
#include "ssa/TimeReader.h"
#include "ssa/Tokenizer.h"

namespace Quarn {
namespace {

// The log lines carry the name of the operation the host called.
constexpr const char* kCategory = "Container";
constexpr const char* kFunction = "Quarn::SSAContainer::open";

// Whether to log is decided once per parse: a script of a million lines
// would otherwise ask the logging library several million times.
#define PARSE_LOG(...)                              \
  do {                                              \
    if (logging)                                    \
      QUARN_LOG(kCategory, kFunction, __VA_ARGS__); \
  } while (0)

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

// The first CR or LF at or after `at`, or `length`. Lines run to a hundred
// bytes and more, so eight are tested at a time.
std::size_t findLineBreak(std::string_view text, std::size_t at) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHighs = 0x8080808080808080u;
  auto hasByte = [](std::uint64_t word, unsigned char byte) {
    const std::uint64_t x = word ^ (kOnes * byte);
    return (x - kOnes) & ~x & kHighs;
  };
  const std::size_t length = text.size();
  while (at + 8 <= length) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + at, 8);
    if ((hasByte(word, '\r') | hasByte(word, '\n')) != 0)
      break;
    at += 8;
  }
  while (at < length && !isLineBreak(text[at]))
    ++at;
  return at;
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
  ScanState(std::unique_ptr<EntryStore> entries, bool headerHeld)
      : store(*entries),
        text(reinterpret_cast<const char*>(entries->text()), entries->size()),
        haveHeader(headerHeld),
        logging(Logger::instance().isEnabled()) {
    result.entries.store = std::move(entries);
  }

  bool preambleLine(const Line& line);
  bool firstEventsLine(const Line& line);
  bool eventLine(const Line& line);

  EntryStore& store;
  std::string_view text;  // the store's text, as it is read
  // A header exists, made here or held by the caller.
  bool haveHeader;
  const bool logging;
  // Where the last entry was ended with a zero in place of its line break.
  std::size_t endedAt = std::string_view::npos;
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
    PARSE_LOG("**Found events tag");
    inEvents = true;
  } else if (startsWith(text, "[V4 Styles]") || startsWith(text, "[V4+ Styles]")) {
    PARSE_LOG("**Found style tag");
    inStyles = true;
  } else if (!inStyles &&
             (isEventLine(text) || (text.size() >= kMinEventLine && startsWith(text, "Format:")))) {
    // A script may start its events without a section header, but only
    // before any styles section.
    PARSE_LOG("**Found implied events tag");
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
    PARSE_LOG("**found event format tag");
    result.header = makeFormatHeader(this->text.substr(0, line.end));
    if (result.header->capacity() == 0)
      return false;
    tokenize(text.substr(7), ",", fields);
    for (std::size_t j = 0; j < fields.size() && (startColumn == -1 || endColumn == -1); ++j) {
      if (fields[j] == "Start") {
        startColumn = static_cast<std::int32_t>(j);
        PARSE_LOG("**got start pos: %d", startColumn);
      } else if (fields[j] == "End") {
        endColumn = static_cast<std::int32_t>(j);
        PARSE_LOG("**got end pos: %d", endColumn);
      }
    }
  } else if (isEventLine(text)) {
    // No format line: assume the usual columns. The header is everything
    // before this line but its last line-break byte; this line makes no entry.
    PARSE_LOG("**missed event format tag, making default assumptions");
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
  PARSE_LOG("**parsing event");
  if (startColumn < 0 || endColumn < 0)
    return true;
  // Only the fields up to the later time column matter; the text field,
  // commas and all, is never split.
  const std::size_t needed = static_cast<std::size_t>(std::max(startColumn, endColumn)) + 1;
  tokenize(text.substr(text.find(':') + 1), ",", fields, needed);
  if (fields.size() < needed)
    return true;

  // The entry is the line itself, ended in place: the byte after it is a
  // line break the parse has passed, or the text's own terminator.
  const std::size_t n = text.size();
  unsigned char* bytes = store.text() + line.start;
  bytes[n] = 0;
  endedAt = line.end;
  // Grow ahead of the append, geometrically, so that the append cannot throw
  // once the chunk exists.
  std::vector<ChunkPtr>& entries = result.entries.chunks;
  if (entries.size() == entries.capacity())
    Platform::reservePrepared(entries, entries.size() * 2 + 64);
  entries.emplace_back(store.createEntry(bytes, static_cast<std::uint32_t>(n + 1)));
  MediaChunk& entry = *entries.back();

  if (logging) {
    const unsigned char* data = entry.lockData();
    QUARN_LOG(kCategory, kFunction, " len: %d '%s'", static_cast<int>(entry.length() - 1),
              reinterpret_cast<const char*>(data));
    entry.unlockData();
  }
  if (const auto start = readTime(fields[startColumn]))
    entry.timestamp = *start;
  // An end before the start wraps to a very large duration, as unsigned
  // arithmetic does; the stream serves such an entry like any other.
  if (const auto stop = readTime(fields[endColumn]))
    entry.duration = *stop - entry.timestamp;
  PARSE_LOG("***start time: %u, duration: %u", entry.timestamp, entry.duration);
  return true;
}

}  // namespace

ParsedScript parseScript(std::unique_ptr<EntryStore> store, bool headerHeld) {
  ScanState state(std::move(store), headerHeld);
  const std::string_view text = state.text;
  const bool logging = state.logging;
  const std::size_t length = text.size();
  std::size_t start = 0;
  std::size_t end = 0;
  while (true) {
    // Any run of CR and LF is one separator, so blank lines never reach the
    // classification. A line flagged for a second look keeps its bounds. The
    // break an entry was ended with is skipped like the break it was.
    if (!state.reprocess) {
      start = end;
      if (start == state.endedAt && start < length)
        ++start;
      while (start < length && isLineBreak(text[start]))
        ++start;
      end = findLineBreak(text, start);
    }
    state.reprocess = false;
    if (start >= length)
      break;

    const Line line{start, end, text.substr(start, end - start)};
    if (logging && Logger::instance().isEnabled()) {
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

ParsedScript parseScript(std::string_view text, bool headerHeld) {
  return parseScript(std::make_unique<EntryStore>(copyText(text)), headerHeld);
}

}  // namespace Quarn
