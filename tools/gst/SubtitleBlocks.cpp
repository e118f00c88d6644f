#include "SubtitleBlocks.h"

#include <cctype>

namespace QuarnGst {
namespace {

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() &&
         (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

/// The header's lines, whatever their line ends.
std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
      lines.push_back(text.substr(begin, i - begin));
      if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n')
        ++i;
      begin = i + 1;
    }
  }
  return lines;
}

}  // namespace

EventFormat eventFormatOf(std::string_view header) {
  std::string_view formatLine;
  for (std::string_view line : linesOf(header)) {
    line = trim(line);
    if (startsWithIgnoringCase(line, "Format:"))
      formatLine = line.substr(7);
  }
  if (formatLine.empty())
    formatLine = "Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text";

  EventFormat format;
  std::optional<std::size_t> start;
  std::optional<std::size_t> end;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= formatLine.size(); ++i) {
    if (i < formatLine.size() && formatLine[i] != ',')
      continue;
    const std::string_view name = trim(formatLine.substr(begin, i - begin));
    if (equalsIgnoringCase(name, "Start") && !start)
      start = format.columns.size();
    else if (equalsIgnoringCase(name, "End") && !end)
      end = format.columns.size();
    format.columns.emplace_back(name);
    begin = i + 1;
  }
  if (start && end) {
    format.start = *start;
    format.end = *end;
  }
  return format;
}

bool isAdvancedScript(std::string_view header) {
  for (std::string_view line : linesOf(header)) {
    line = trim(line);
    if (equalsIgnoringCase(line, "[V4+ Styles]"))
      return true;
    if (startsWithIgnoringCase(line, "ScriptType:") &&
        equalsIgnoringCase(trim(line.substr(11)), "v4.00+"))
      return true;
  }
  return false;
}

std::string_view eventKind(std::string_view line) {
  const std::size_t colon = line.find(':');
  return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

std::string blockPayload(std::string_view line, const EventFormat& format,
                         std::uint64_t readOrder) {
  std::string_view fields = line;
  if (const std::size_t colon = line.find(':'); colon != std::string_view::npos)
    fields = line.substr(colon + 1);
  while (!fields.empty() && fields.front() == ' ')
    fields.remove_prefix(1);

  std::string block = std::to_string(readOrder);
  const std::size_t count = format.columns.empty() ? 1 : format.columns.size();
  std::size_t begin = 0;
  for (std::size_t column = 0; column < count && begin <= fields.size(); ++column) {
    // The last column takes the rest of the line, commas and all.
    std::size_t stop = column + 1 == count ? std::string_view::npos : fields.find(',', begin);
    if (stop == std::string_view::npos)
      stop = fields.size();
    if (column != format.start && column != format.end) {
      block += ',';
      block.append(fields.substr(begin, stop - begin));
    }
    begin = stop + 1;
  }
  return block;
}

}  // namespace QuarnGst
