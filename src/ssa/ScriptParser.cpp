#include "ssa/ScriptParser.h"

#include <memory>
#include <new>
#include <string>

#include "log/Logger.h"
#include "platform/Memory.h"
#include "rules/ScriptScanner.h"
#include "rules/TimeReader.h"

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

// The state of one parse. Each step returns false when memory for a copy
// ran out, which stops the parse.
struct ParseState {
  ParseState(std::unique_ptr<EntryStore> entries, bool headerHeld)
      : store(*entries),
        text(reinterpret_cast<const char*>(entries->text()), entries->size()),
        scanner(text, headerHeld),
        logging(Logger::instance().isEnabled()) {
    result.entries.store = std::move(entries);
  }

  bool formatLine(const ScriptLine& line);
  bool defaultFormat(const ScriptLine& line);
  void entry(const ScriptLine& line);

  EntryStore& store;
  std::string_view text;  // the store's text, as it is read
  ScriptScanner scanner;
  const bool logging;
  ParsedScript result;
};

bool ParseState::formatLine(const ScriptLine& line) {
  PARSE_LOG("**found event format tag");
  result.header = makeFormatHeader(text.substr(0, line.end));
  if (result.header->capacity() == 0)
    return false;
  for (const ColumnFound& column : scanner.columnsFound()) {
    if (column.start)
      PARSE_LOG("**got start pos: %d", column.index);
    else
      PARSE_LOG("**got end pos: %d", column.index);
  }
  return true;
}

bool ParseState::defaultFormat(const ScriptLine& line) {
  // No format line: the usual columns are assumed. The header is everything
  // before this line but its last line-break byte; this line makes no entry.
  PARSE_LOG("**missed event format tag, making default assumptions");
  result.header = makeFormatHeader(text.substr(0, line.start == 0 ? 0 : line.start - 1));
  return result.header->capacity() != 0;
}

void ParseState::entry(const ScriptLine& line) {
  // The entry is the line itself, ended in place: the byte after it is a
  // line break the scanner has passed, or the text's own terminator.
  const std::size_t n = line.text.size();
  unsigned char* bytes = store.text() + line.start;
  bytes[n] = 0;
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
  const std::vector<std::string_view>& fields = scanner.fields();
  if (const auto start = readTime(fields[scanner.startColumn()]))
    entry.timestamp = *start;
  // An end before the start wraps to a very large duration, as unsigned
  // arithmetic does; the stream serves such an entry like any other.
  if (const auto stop = readTime(fields[scanner.endColumn()]))
    entry.duration = *stop - entry.timestamp;
  PARSE_LOG("***start time: %u, duration: %u", entry.timestamp, entry.duration);
}

}  // namespace

ParsedScript parseScript(std::unique_ptr<EntryStore> store, bool headerHeld) {
  ParseState state(std::move(store), headerHeld);
  const bool logging = state.logging;
  ScriptLine line;
  while (state.scanner.next(line)) {
    if (logging && Logger::instance().isEnabled()) {
      const std::string copy(line.text);
      QUARN_LOG(kCategory, kFunction, "Got line %d:%d-%d '%s'", static_cast<int>(line.start),
                static_cast<int>(line.end), static_cast<int>(line.text.size()), copy.c_str());
    }
    bool ok = true;
    switch (line.kind) {
      case LineKind::Preamble:
      case LineKind::Other:
        break;
      case LineKind::EventsMark:
        PARSE_LOG("**Found events tag");
        break;
      case LineKind::StylesMark:
        PARSE_LOG("**Found style tag");
        break;
      case LineKind::ImpliedEvents:
        PARSE_LOG("**Found implied events tag");
        break;
      case LineKind::EventsFormat:
        ok = state.formatLine(line);
        break;
      case LineKind::EventsDefault:
        ok = state.defaultFormat(line);
        break;
      case LineKind::EventsBare:
        state.result.header = makeFormatHeader(std::nullopt);
        break;
      case LineKind::EventNoColumns:
      case LineKind::EventShort:
        PARSE_LOG("**parsing event");
        break;
      case LineKind::Entry:
        PARSE_LOG("**parsing event");
        state.entry(line);
        break;
    }
    if (!ok) {
      state.result.complete = false;
      break;
    }
  }
  return std::move(state.result);
}

ParsedScript parseScript(std::string_view text, bool headerHeld) {
  return parseScript(std::make_unique<EntryStore>(copyText(text)), headerHeld);
}

}  // namespace Quarn
