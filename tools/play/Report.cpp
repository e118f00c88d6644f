#include "Report.h"

#include <cinttypes>
#include <cstring>

#include "JsonText.h"

namespace QuarnPlay {
namespace {

using QuarnHost::jsonString;
using QuarnHost::toWellFormedUtf8;

std::string formatTag(const Quarn::FormatDescriptor& format) {
  return std::string(format.tag, strnlen(format.tag, sizeof format.tag));
}

/// Text for a terminal: well-formed UTF-8, control characters other than tab
/// in caret notation ("^@" for a zero byte) so that none acts on the terminal.
std::string terminalText(std::string_view bytes) {
  const std::string text = toWellFormedUtf8(bytes);
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
      out += '^';
      out += static_cast<char>(byte ^ 0x40);
    } else {
      out += c;
    }
  }
  return out;
}

std::string number(std::uint64_t value) {
  return std::to_string(value);
}

}  // namespace

void ReportTo::writeLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fputc('\n', out_);
  if (flushEachLine_)
    std::fflush(out_);
}

// ---- JSON Lines ----

void JsonReport::probe(bool accepted) {
  if (!quiet())
    writeLine(std::string("{\"event\":\"probe\",\"accepted\":") + (accepted ? "true" : "false") +
              "}");
}

void JsonReport::open(Quarn::Result result) {
  if (!quiet())
    writeLine("{\"event\":\"open\",\"result\":\"" + formatResultCode(result) + "\",\"name\":\"" +
              openResultName(result) + "\"}");
}

void JsonReport::streamOffered(const StreamSummary& s) {
  if (quiet())
    return;
  writeLine(
      "{\"event\":\"stream\",\"id\":" + number(s.id) + ",\"name\":" + jsonString(s.name) +
      ",\"language\":" + jsonString(s.language) + ",\"region\":" + jsonString(s.region) +
      ",\"type\":" + number(s.type) + ",\"format\":{\"tag\":" + jsonString(formatTag(s.format)) +
      ",\"code\":" + std::to_string(s.format.formatCode) + ",\"kind\":" +
      std::to_string(s.format.kind) + ",\"variant\":" + std::to_string(s.format.variant) +
      "},\"width\":" + std::to_string(s.width) + ",\"height\":" + std::to_string(s.height) + "}");
}

void JsonReport::header(std::string_view tag, std::int32_t kind, std::uint32_t length,
                        std::string_view text) {
  if (!quiet())
    writeLine("{\"event\":\"header\",\"tag\":" + jsonString(tag) +
              ",\"kind\":" + std::to_string(kind) + ",\"length\":" + number(length) +
              ",\"text\":" + jsonString(text) + "}");
}

void JsonReport::seek(std::uint32_t requested, std::optional<std::uint32_t> reached,
                      Quarn::Result result) {
  if (!quiet())
    writeLine("{\"event\":\"seek\",\"requested\":" + number(requested) +
              ",\"reached\":" + (reached ? number(*reached) : std::string("null")) +
              ",\"result\":\"" + formatResultCode(result) + "\"}");
}

void JsonReport::chunk(std::uint32_t timestamp, std::uint32_t duration, std::uint32_t length,
                       std::string_view text) {
  if (!quiet())
    writeLine("{\"event\":\"chunk\",\"timestamp\":" + number(timestamp) +
              ",\"duration\":" + number(duration) + ",\"length\":" + number(length) +
              ",\"text\":" + jsonString(text) + "}");
}

void JsonReport::end(std::uint64_t chunks, bool stalled) {
  writeLine("{\"event\":\"end\",\"chunks\":" + number(chunks) +
            (stalled ? ",\"stalled\":true" : "") + "}");
}

// ---- human view ----

void HumanReport::header(std::string_view tag, std::int32_t kind, std::uint32_t length,
                         std::string_view text) {
  if (quiet())
    return;
  pending_ += "header '" + terminalText(tag) + "', kind " + std::to_string(kind) + ", " +
              number(length) + " bytes:\n";
  // Line breaks of any kind end a line; a run of them is one break.
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t stop = text.find_first_of("\r\n", start);
    const std::string_view line = text.substr(start, stop - start);
    if (!line.empty())
      pending_ += "  " + terminalText(line) + "\n";
    if (stop == std::string_view::npos)
      break;
    start = text.find_first_not_of("\r\n", stop);
    if (start == std::string_view::npos)
      break;
  }
  flushPending();
}

void HumanReport::seek(std::uint32_t requested, std::optional<std::uint32_t> reached,
                       Quarn::Result result) {
  if (quiet())
    return;
  pending_ += "seek to " + formatMediaTime(requested) + ": ";
  pending_ += reached ? "reached " + formatMediaTime(*reached) + "\n"
                      : std::string("failed with ") + Quarn::resultName(result) + " (" +
                            formatResultCode(result) + ")\n";
  flushPending();
}

void HumanReport::streamReading(const StreamSummary& s, std::optional<std::uint64_t> entries) {
  if (quiet())
    return;
  std::string line = s.name.empty() ? std::string("(unnamed stream)") : terminalText(s.name);
  if (!s.language.empty())
    line += " [" + terminalText(s.language) + (s.region.empty() ? "" : "-") +
            terminalText(s.region) + "]";
  line += ": " + terminalText(formatTag(s.format)) + " " + std::to_string(s.format.formatCode) +
          "/" + std::to_string(s.format.kind) + "/" + std::to_string(s.format.variant) + ", " +
          std::to_string(s.width) + "x" + std::to_string(s.height);
  if (entries)
    line += ", " + number(*entries) + (*entries == 1 ? " entry" : " entries");
  writeLine(line);
  streamShown_ = true;
  flushPending();
}

void HumanReport::chunk(std::uint32_t timestamp, std::uint32_t duration, std::uint32_t,
                        std::string_view text) {
  if (!quiet())
    writeLine(formatMediaTime(timestamp) + " " + formatMediaTime(timestamp + duration) + "  " +
              terminalText(text));
}

void HumanReport::end(std::uint64_t chunks, bool stalled) {
  if (!opened_)
    return;
  streamShown_ = true;
  flushPending();
  std::string line = number(chunks) + (chunks == 1 ? " entry" : " entries") + " read";
  if (stalled)
    line += "; stopped at an entry that can never fall due";
  writeLine(line);
}

void HumanReport::flushPending() {
  if (!streamShown_ || pending_.empty())
    return;
  pending_.pop_back();  // writeLine adds the last line break
  writeLine(pending_);
  pending_.clear();
}

}  // namespace QuarnPlay
