#include "rules/ScriptScanner.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "rules/Fields.h"

namespace Quarn {
namespace {

bool startsWith(std::string_view line, std::string_view prefix) {
  return line.size() >= prefix.size() && line.compare(0, prefix.size(), prefix) == 0;
}

bool isLineBreak(char c) {
  return c == '\r' || c == '\n';
}

// The first CR or LF at or after `at`, or the text's length. Lines run to a
// hundred bytes and more, so sixteen are tested at a time; only the text's
// last few bytes, or a processor without SSE2, go one at a time.
std::size_t findLineBreak(std::string_view text, std::size_t at) {
  const std::size_t length = text.size();
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  while (at + 16 <= length) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    const int found =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
    if (found != 0)
      return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found)));
    at += 16;
  }
#endif
  while (at < length && !isLineBreak(text[at]))
    ++at;
  return at;
}

// The length of the kind that starts an event line, colon included, or 0
// for any other line. Every line of a script is asked, so the first byte
// picks the kinds to compare.
std::size_t eventKindLength(std::string_view line) {
  if (line.size() < kMinEventLine)
    return 0;
  auto is = [line](std::string_view kind) { return line.compare(0, kind.size(), kind) == 0; };
  switch (line[0]) {
    case 'D':
      return is("Dialogue:") ? 9 : 0;
    case 'C':
      return is("Comment:") || is("Command:") ? 8 : 0;
    case 'P':
      return is("Picture:") ? 8 : 0;
    case 'S':
      return is("Sound:") ? 6 : 0;
    case 'M':
      return is("Movie:") ? 6 : 0;
    default:
      return 0;
  }
}

}  // namespace

bool isEventLine(std::string_view line) {
  return eventKindLength(line) != 0;
}

ScriptScanner::ScriptScanner(std::string_view text, bool headerHeld)
    : text_(text), haveHeader_(headerHeld) {}

bool ScriptScanner::next(ScriptLine& line) {
  if (finished_)
    return false;
  const std::size_t length = text_.size();
  if (!again_) {
    std::size_t start = end_;
    while (start < length && isLineBreak(text_[start]))
      ++start;
    start_ = start;
    end_ = findLineBreak(text_, start);
  }
  again_ = false;
  if (start_ >= length) {
    finished_ = true;
    return false;
  }
  line.start = start_;
  line.end = end_;
  line.text = text_.substr(start_, end_ - start_);
  line.kind = classify(line.text);
  // A last line that starts the events is not looked at again.
  if (end_ >= length)
    finished_ = true;
  return true;
}

LineKind ScriptScanner::classify(std::string_view line) {
  if (inEvents_)
    return haveHeader_ ? eventsLine(line) : firstEventsLine(line);
  if (startsWith(line, "[Events]")) {
    inEvents_ = true;
    return LineKind::EventsMark;
  }
  if (startsWith(line, "[V4 Styles]") || startsWith(line, "[V4+ Styles]")) {
    inStyles_ = true;
    return LineKind::StylesMark;
  }
  // A script may start its events without a section line, but only before
  // any styles section.
  if (!inStyles_ &&
      (isEventLine(line) || (line.size() >= kMinEventLine && startsWith(line, "Format:")))) {
    inEvents_ = true;
    again_ = true;
    return LineKind::ImpliedEvents;
  }
  return LineKind::Preamble;
}

LineKind ScriptScanner::firstEventsLine(std::string_view line) {
  // The header exists from the first line of the events section on,
  // whatever that line holds.
  haveHeader_ = true;
  if (line.size() >= 8 && startsWith(line, "Format:")) {
    tokenize(line.substr(7), ",", fields_);
    // The search stops once both are known; until then a later "Start"
    // replaces an earlier one.
    for (std::size_t j = 0; j < fields_.size() && (startColumn_ == -1 || endColumn_ == -1); ++j) {
      if (fields_[j] == "Start") {
        startColumn_ = static_cast<std::int32_t>(j);
        columnsFound_.push_back({true, startColumn_});
      } else if (fields_[j] == "End") {
        endColumn_ = static_cast<std::int32_t>(j);
        columnsFound_.push_back({false, endColumn_});
      }
    }
    return LineKind::EventsFormat;
  }
  if (isEventLine(line)) {
    startColumn_ = 1;
    endColumn_ = 2;
    return LineKind::EventsDefault;
  }
  return LineKind::EventsBare;
}

LineKind ScriptScanner::eventsLine(std::string_view line) {
  const std::size_t kind = eventKindLength(line);
  if (kind == 0)
    return LineKind::Other;
  if (startColumn_ < 0 || endColumn_ < 0)
    return LineKind::EventNoColumns;
  // Only the fields up to the later time column matter; the text field,
  // commas and all, is never split.
  const std::size_t needed = static_cast<std::size_t>(std::max(startColumn_, endColumn_)) + 1;
  tokenize(line.substr(kind), ",", fields_, needed);
  return fields_.size() < needed ? LineKind::EventShort : LineKind::Entry;
}

}  // namespace Quarn
