#include "ssa/ScriptScanner.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "log/Logger.h"
#include "plugin/SSAContainer.h"
#include "ssa/TimeReader.h"
#include "ssa/Tokenizer.h"

namespace Quarn {
namespace {

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

}  // namespace

ScriptScanner::ScriptScanner(SSAContainer& container, std::string_view text)
    : container_(container), text_(text) {}

ScriptScanner::~ScriptScanner() {
  for (MediaChunk* entry : entries_)
    entry->release();
}

std::vector<MediaChunk*> ScriptScanner::takeEntries() {
  return std::move(entries_);
}

bool ScriptScanner::scan() {
  const std::size_t length = text_.size();
  std::size_t start = 0;
  std::size_t end = 0;
  while (true) {
    // Any run of CR and LF is one separator, so blank lines never reach the
    // classification. A line flagged for a second look keeps its bounds.
    if (!reprocess_) {
      start = end;
      while (start < length && isLineBreak(text_[start]))
        ++start;
      end = start;
      while (end < length && !isLineBreak(text_[end]))
        ++end;
    }
    reprocess_ = false;
    if (start >= length)
      return true;

    const Line line{start, end, text_.substr(start, end - start)};
    if (Logger::instance().isEnabled()) {
      const std::string copy(line.text);
      QUARN_LOG(kCategory, kFunction, "Got line %d:%d-%d '%s'", static_cast<int>(start),
                static_cast<int>(end), static_cast<int>(line.text.size()), copy.c_str());
    }
    bool ok = true;
    if (!inEvents_)
      ok = preambleLine(line);
    else if (container_.formatHeader_ == nullptr)
      ok = firstEventsLine(line);
    else
      ok = eventLine(line);
    if (!ok)
      return false;

    // Tested before the reprocess flag: a last line that implies the events
    // section is not looked at again.
    if (end >= length)
      return true;
  }
}

bool ScriptScanner::preambleLine(const Line& line) {
  const std::string_view text = line.text;
  if (startsWith(text, "[Events]")) {
    QUARN_LOG(kCategory, kFunction, "**Found events tag");
    inEvents_ = true;
  } else if (startsWith(text, "[V4 Styles]") || startsWith(text, "[V4+ Styles]")) {
    QUARN_LOG(kCategory, kFunction, "**Found style tag");
    inStyles_ = true;
  } else if (!inStyles_ &&
             (isEventLine(text) || (text.size() >= kMinEventLine && startsWith(text, "Format:")))) {
    // A script may start its events without a section header, but only
    // before any styles section.
    QUARN_LOG(kCategory, kFunction, "**Found implied events tag");
    inEvents_ = true;
    reprocess_ = true;
  }
  return true;
}

bool ScriptScanner::firstEventsLine(const Line& line) {
  // The header exists from the first line of the events section on,
  // whatever that line holds.
  container_.installFormatHeader(new TypedMediaBuffer());
  const std::string_view text = line.text;
  if (text.size() >= 8 && startsWith(text, "Format:")) {
    QUARN_LOG(kCategory, kFunction, "**found event format tag");
    if (!setHeaderText(line.end))
      return false;
    tokenize(text.substr(7), ",", fields_);
    for (std::size_t j = 0; j < fields_.size() && (startColumn_ == -1 || endColumn_ == -1); ++j) {
      if (fields_[j] == "Start") {
        startColumn_ = static_cast<std::int32_t>(j);
        QUARN_LOG(kCategory, kFunction, "**got start pos: %d", startColumn_);
      } else if (fields_[j] == "End") {
        endColumn_ = static_cast<std::int32_t>(j);
        QUARN_LOG(kCategory, kFunction, "**got end pos: %d", endColumn_);
      }
    }
  } else if (isEventLine(text)) {
    // No format line: assume the usual columns. The header is everything
    // before this line but its last line-break byte; this line makes no entry.
    QUARN_LOG(kCategory, kFunction, "**missed event format tag, making default assumptions");
    if (!setHeaderText(line.start == 0 ? 0 : line.start - 1))
      return false;
    startColumn_ = 1;
    endColumn_ = 2;
  }
  return true;
}

bool ScriptScanner::eventLine(const Line& line) {
  const std::string_view text = line.text;
  if (!isEventLine(text))
    return true;
  QUARN_LOG(kCategory, kFunction, "**parsing event");
  if (startColumn_ < 0 || endColumn_ < 0)
    return true;
  // Only the fields up to the later time column matter; the text field,
  // commas and all, is never split.
  const std::size_t needed = static_cast<std::size_t>(std::max(startColumn_, endColumn_)) + 1;
  tokenize(text.substr(text.find(':') + 1), ",", fields_, needed);
  if (fields_.size() < needed)
    return true;

  const std::size_t n = text.size();
  std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[n + 1]);
  if (!block)
    return false;
  std::memcpy(block.get(), text.data(), n);
  block[n] = 0;
  // Grow ahead of the append, geometrically, so that the append cannot throw
  // once the chunk exists.
  if (entries_.size() == entries_.capacity())
    entries_.reserve(entries_.size() * 2 + 64);
  MediaChunk* entry =
      container_.bufferAllocator()->createChunk(block.get(), static_cast<std::uint32_t>(n + 1));
  block.release();
  entries_.push_back(entry);
  entry->length() = static_cast<std::uint32_t>(n + 1);

  const unsigned char* bytes = entry->lockData();
  QUARN_LOG(kCategory, kFunction, " len: %d '%s'", static_cast<int>(entry->length() - 1),
            reinterpret_cast<const char*>(bytes));
  entry->unlockData();
  if (const auto start = readTime(fields_[startColumn_]))
    entry->timestamp = *start;
  // An end before the start wraps to a very large duration, as unsigned
  // arithmetic does; the stream serves such an entry like any other.
  if (const auto stop = readTime(fields_[endColumn_]))
    entry->duration = *stop - entry->timestamp;
  QUARN_LOG(kCategory, kFunction, "***start time: %u, duration: %u", entry->timestamp,
            entry->duration);
  return true;
}

bool ScriptScanner::setHeaderText(std::size_t length) {
  TypedMediaBuffer* header = container_.formatHeader_;
  if (header->capacity() != 0) {
    delete[] header->lockData();
    header->unlockData();
    header->setData(nullptr, 0);
    header->length() = 0;
  }
  unsigned char* block = new (std::nothrow) unsigned char[length + 1];
  if (block == nullptr)
    return false;
  std::memcpy(block, text_.data(), length);
  block[length] = 0;
  header->setData(block, static_cast<std::uint32_t>(length + 1));
  header->length() = static_cast<std::uint32_t>(length + 1);
  std::memcpy(header->tag, "SUB ", 5);
  header->kind = 4;
  return true;
}

}  // namespace Quarn
