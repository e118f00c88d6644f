#include "ScriptSniff.h"

#include <cstdint>
#include <string>

#include <rules/ByteOrderMarks.h>

#include "SubtitleBlocks.h"

namespace QuarnGst {
namespace {

/// The text after any byte-order mark: code units of `width` bytes.
struct Layout {
  std::size_t start = 0;
  unsigned width = 1;
  bool bigEndian = false;
  std::string_view encoding;
};

struct MarkLayout {
  std::string_view converter;
  unsigned width;
  bool bigEndian;
};

// The marks after which the header can be read. ASCII characters are single
// bytes in UTF-8, GB 18030, SCSU (which starts in a mode that passes them
// through) and UTF-7. BOCU-1 writes each character as its difference from
// the one before, so no header can be matched in it: such files are not
// claimed.
constexpr MarkLayout kMarkLayouts[] = {
    {"UTF8", 1, false},     {"GB-18030", 1, false}, {"SCSU", 1, false},     {"UTF7", 1, false},
    {"UTF16-LE", 2, false}, {"UTF16-BE", 2, true},  {"UTF32-LE", 4, false}, {"UTF32-BE", 4, true},
};

std::optional<Layout> layoutOf(const unsigned char* data, std::size_t length) {
  const Quarn::ByteOrderMark* mark = Quarn::findByteOrderMark(data, length);
  if (mark == nullptr) {
    // UTF-16 without a mark: the header's first character is ASCII, so one
    // of its two bytes is zero.
    if (length >= 2 && data[0] == 0 && data[1] != 0)
      return Layout{0, 2, true, "UTF16-BE"};
    if (length >= 2 && data[0] != 0 && data[1] == 0)
      return Layout{0, 2, false, "UTF16-LE"};
    return Layout{};
  }
  for (const MarkLayout& known : kMarkLayouts) {
    if (known.converter != mark->converter)
      continue;
    Layout layout{mark->skip, known.width, known.bigEndian, known.converter};
    if (mark->decodedWithText) {
      // UTF-7: only a mark ending in '8' holds no bits of the first
      // character; a '-' after it closes its base64 run.
      if (data[3] != '8')
        return std::nullopt;
      if (layout.start < length && data[layout.start] == '-')
        ++layout.start;
    }
    return layout;
  }
  return std::nullopt;
}

/// One byte per code unit: ASCII as itself, anything else as 0x80, which
/// no header line or keyword holds. Null when a unit is zero: scripts hold
/// no NUL, binary data does. A unit cut at the end is dropped.
std::optional<std::string> asciiOf(const unsigned char* data, std::size_t length,
                                   const Layout& layout) {
  std::string text;
  text.reserve((length - layout.start) / layout.width);
  for (std::size_t at = layout.start; at + layout.width <= length; at += layout.width) {
    std::uint32_t unit = 0;
    for (unsigned i = 0; i < layout.width; ++i) {
      const unsigned shift = 8 * (layout.bigEndian ? layout.width - 1 - i : i);
      unit |= static_cast<std::uint32_t>(data[at + i]) << shift;
    }
    if (unit == 0)
      return std::nullopt;
    text.push_back(unit < 0x80 ? static_cast<char>(unit) : '\x80');
  }
  return text;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

/// The text from the first line that holds more than spaces and tabs.
std::string_view fromFirstLine(std::string_view text) {
  std::size_t line = 0;
  for (;;) {
    std::size_t at = line;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
      ++at;
    if (at == text.size() || (text[at] != '\r' && text[at] != '\n'))
      return text.substr(line);
    line = at + 1;
  }
}

}  // namespace

std::optional<ScriptSniff> sniffScript(const unsigned char* data, std::size_t length) {
  if (data == nullptr)
    return std::nullopt;
  const std::optional<Layout> layout = layoutOf(data, length);
  if (!layout)
    return std::nullopt;
  const std::optional<std::string> text = asciiOf(data, length, *layout);
  if (!text)
    return std::nullopt;
  const std::string_view first = fromFirstLine(*text);
  if (!startsWith(first, "[Script Info]") && !startsWith(first, "[Events]"))
    return std::nullopt;
  return ScriptSniff{isAdvancedScript(*text) ? ScriptVariant::Ass : ScriptVariant::Ssa,
                     layout->encoding};
}

}  // namespace QuarnGst
