#include "ssa/ScriptParser.h"

#include <vector>

#include "log/Logger.h"
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
  ParseState(TextBuffer kept, bool headerHeld)
      : text(kept.view()), scanner(text, headerHeld), logging(Logger::instance().isEnabled()) {
    result.entries = EntryTable(std::move(kept));
  }

  bool formatLine(const ScriptLine& line);
  bool defaultFormat(const ScriptLine& line);
  void entry(const ScriptLine& line);

  std::string_view text;  // the entries' text
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
  // The entry is the line itself: its place in the text, with its times.
  EntryRecord record{0, 0, static_cast<std::uint32_t>(line.start),
                     static_cast<std::uint32_t>(line.text.size())};
  // A line may hold a zero byte, where a copy of it reads as ending.
  PARSE_LOG(" len: %d '%.*s'", static_cast<int>(record.length), static_cast<int>(record.length),
            line.text.data());
  const std::vector<std::string_view>& fields = scanner.fields();
  if (const auto start = readTime(fields[scanner.startColumn()]))
    record.start = *start;
  // An end before the start wraps to a very large duration, as unsigned
  // arithmetic does; the stream serves such an entry like any other.
  if (const auto stop = readTime(fields[scanner.endColumn()]))
    record.duration = *stop - record.start;
  PARSE_LOG("***start time: %u, duration: %u", record.start, record.duration);
  result.entries.append(record);
}

}  // namespace

ParsedScript parseScript(TextBuffer text, bool headerHeld) {
  ParseState state(std::move(text), headerHeld);
  const bool logging = state.logging;
  ScriptLine line;
  while (state.scanner.next(line)) {
    if (logging && Logger::instance().isEnabled()) {
      QUARN_LOG(kCategory, kFunction, "Got line %d:%d-%d '%.*s'", static_cast<int>(line.start),
                static_cast<int>(line.end), static_cast<int>(line.text.size()),
                static_cast<int>(line.text.size()), line.text.data());
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
  return parseScript(copyText(text), headerHeld);
}

}  // namespace Quarn
