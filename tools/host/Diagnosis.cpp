#include "Diagnosis.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace QuarnHost {
namespace {

// ---- what the plug-in reads: names, marks and encodings ----

bool hasScriptExtension(std::string_view name) {
  // The part from the last "." on, compared exactly, as the plug-in does; a
  // host sees only the plug-in's headers, so the rule is repeated here.
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos)
    return false;
  const std::string_view extension = name.substr(dot);
  return extension == ".ssa" || extension == ".ass";
}

bool isWellFormedUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong form
      high = lead == 0xED ? 0x9F : 0xBF;  // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      low = lead == 0xF0 ? 0x90 : 0x80;
      high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing past U+10FFFF
    } else {
      return false;
    }
    if (text.size() - i < length)
      return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto byte = static_cast<unsigned char>(text[i + k]);
      if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF))
        return false;
    }
    i += length;
  }
  return true;
}

enum class Encoding {
  Unknown,    // decoded by the plug-in in a way the host does not follow
  Unchanged,  // no conversion: the bytes as they are
  Ascii,      // a code page that keeps ASCII as it is
  Utf8,
  Utf16LE,
  Utf16BE,
  Utf32LE,
  Utf32BE,
};

struct Mark {
  unsigned char bytes[4];
  std::size_t length;  // bytes that must match
  std::size_t skip;    // bytes that belong to the mark
  const char* shown;
  Encoding encoding;
};

// The marks the plug-in recognises, tested in its order.
constexpr Mark kMarks[] = {
    {{0x00, 0x00, 0xFE, 0xFF}, 4, 4, "UTF-32 BE", Encoding::Utf32BE},
    {{0xFF, 0xFE, 0x00, 0x00}, 4, 4, "UTF-32 LE", Encoding::Utf32LE},
    {{0xFE, 0xFF}, 2, 2, "UTF-16 BE", Encoding::Utf16BE},
    {{0xFF, 0xFE}, 2, 2, "UTF-16 LE", Encoding::Utf16LE},
    {{0xEF, 0xBB, 0xBF}, 3, 3, "UTF-8", Encoding::Utf8},
    {{0x2B, 0x2F, 0x76}, 3, 4, "UTF-7", Encoding::Unknown},
    {{0x0E, 0xFE, 0xFF}, 3, 3, "SCSU", Encoding::Unknown},
    {{0xFB, 0xEE, 0x28}, 3, 3, "BOCU-1", Encoding::Unknown},
    {{0x84, 0x31, 0x95, 0x33}, 4, 4, "GB 18030", Encoding::Unknown},
};

const Mark* findMark(std::string_view bytes) {
  for (const Mark& mark : kMarks) {
    if (bytes.size() < mark.skip || std::memcmp(bytes.data(), mark.bytes, mark.length) != 0)
      continue;
    if (mark.skip > mark.length) {  // UTF-7: one of four fourth bytes
      const char fourth = bytes[3];
      if (fourth != 0x38 && fourth != 0x39 && fourth != 0x2B && fourth != 0x2F)
        continue;
    }
    return &mark;
  }
  return nullptr;
}

/// A converter name as far as the host can follow it.
Encoding namedEncoding(const std::string& name) {
  std::string key;
  for (const char c : name) {
    if (c != '-' && c != '_' && c != ' ')
      key += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  if (key == "UTF8")
    return Encoding::Utf8;
  if (key == "UTF16LE")
    return Encoding::Utf16LE;
  if (key == "UTF16BE")
    return Encoding::Utf16BE;
  if (key == "UTF32LE")
    return Encoding::Utf32LE;
  if (key == "UTF32BE")
    return Encoding::Utf32BE;
  // UTF-16 with its order left open, UTF-7, UCS-2 and the like.
  if (key.rfind("UTF", 0) == 0 || key.rfind("UCS", 0) == 0 || key.rfind("UNICODE", 0) == 0)
    return Encoding::Unknown;
  return Encoding::Ascii;
}

void appendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

char32_t unitAt(std::string_view bytes, std::size_t at, std::size_t size, bool bigEndian) {
  char32_t code = 0;
  for (std::size_t k = 0; k < size; ++k) {
    const auto byte = static_cast<unsigned char>(bytes[at + (bigEndian ? k : size - 1 - k)]);
    code = (code << 8) | byte;
  }
  return code;
}

/// The text the plug-in parses after converting `bytes`: converted text ends
/// at its first zero character. Anything ill-formed becomes U+FFFD.
std::string decode(std::string_view bytes, Encoding encoding) {
  constexpr char32_t kReplacement = 0xFFFD;
  switch (encoding) {
    case Encoding::Unknown:
    case Encoding::Unchanged:
      return std::string(bytes);
    case Encoding::Ascii:
    case Encoding::Utf8:
      return std::string(bytes.substr(0, bytes.find('\0')));
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
      const bool big = encoding == Encoding::Utf16BE;
      std::string out;
      for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t code = unitAt(bytes, i, 2, big);
        if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size()) {
          const char32_t next = unitAt(bytes, i + 2, 2, big);
          if (next >= 0xDC00 && next <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00);
            i += 2;
          }
        }
        if (code >= 0xD800 && code <= 0xDFFF)
          code = kReplacement;
        if (code == 0)
          break;
        appendUtf8(out, code);
      }
      return out;
    }
    case Encoding::Utf32LE:
    case Encoding::Utf32BE: {
      std::string out;
      for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
        char32_t code = unitAt(bytes, i, 4, encoding == Encoding::Utf32BE);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
          code = kReplacement;
        if (code == 0)
          break;
        appendUtf8(out, code);
      }
      return out;
    }
  }
  return std::string(bytes);
}

/// "LE" or "BE" when the first bytes read as ASCII in UTF-16 of that order:
/// a zero in the same half of nearly every unit.
const char* unmarkedUtf16Order(std::string_view bytes) {
  const std::size_t units = std::min<std::size_t>(bytes.size(), 512) / 2;
  if (units < 4)
    return nullptr;
  std::size_t lowFirst = 0;
  std::size_t highFirst = 0;
  for (std::size_t i = 0; i < units; ++i) {
    const bool firstZero = bytes[2 * i] == 0;
    const bool secondZero = bytes[2 * i + 1] == 0;
    if (!firstZero && secondZero)
      ++lowFirst;
    else if (firstZero && !secondZero)
      ++highFirst;
  }
  if (lowFirst * 4 >= units * 3)
    return "LE";
  if (highFirst * 4 >= units * 3)
    return "BE";
  return nullptr;
}

// ---- what the plug-in's script parser makes of a text ----

enum class ScriptShape {
  Readable,           // at least one event line becomes an entry
  NoEventLines,       // no line anywhere is an event line
  OutsideEvents,      // event lines, but none in an events section
  NoFormatLine,       // the events section opens with neither format nor event
  EventLineAsFormat,  // its only event line opened the section
  NoTimeColumns,      // the format line names no Start or no End
  TooFewFields,       // no event line reaches the time columns
};

constexpr std::string_view kEventKinds[] = {
    "Dialogue:", "Comment:", "Picture:", "Sound:", "Movie:", "Command:"};
constexpr std::size_t kMinEventLine = 28;

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool isEventLine(std::string_view line) {
  if (line.size() < kMinEventLine)
    return false;
  return std::any_of(std::begin(kEventKinds), std::end(kEventKinds),
                     [line](std::string_view kind) { return startsWith(line, kind); });
}

/// Fields as the parser cuts them: runs between commas, empty runs skipped,
/// spaces trimmed; at most `most`.
std::vector<std::string_view> fieldsOf(std::string_view text, std::size_t most) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (fields.size() < most) {
    at = text.find_first_not_of(',', at);
    if (at == std::string_view::npos)
      break;
    std::size_t stop = text.find(',', at);
    if (stop == std::string_view::npos)
      stop = text.size();
    std::string_view field = text.substr(at, stop - at);
    field.remove_prefix(std::min(field.find_first_not_of(' '), field.size()));
    field.remove_suffix(field.size() - (field.find_last_not_of(' ') + 1));
    fields.push_back(field);
    at = stop;
  }
  return fields;
}

// The parser's sections and columns followed line by line, without making
// anything.
ScriptShape scanScript(std::string_view text) {
  bool inEvents = false;
  bool inStyles = false;
  bool sectionOpened = false;  // its first line has been seen
  bool openedByFormat = false;
  bool openedByEvent = false;
  bool anyEventLine = false;
  bool eventLineInSection = false;
  int startColumn = -1;
  int endColumn = -1;
  std::size_t end = 0;
  while (true) {
    std::size_t start = text.find_first_not_of("\r\n", end);
    if (start == std::string_view::npos)
      break;
    end = std::min(text.find_first_of("\r\n", start), text.size());
    const std::string_view line = text.substr(start, end - start);
    const bool eventLine = isEventLine(line);
    anyEventLine = anyEventLine || eventLine;
    if (!inEvents) {
      if (startsWith(line, "[Events]")) {
        inEvents = true;
        continue;
      }
      if (startsWith(line, "[V4 Styles]") || startsWith(line, "[V4+ Styles]")) {
        inStyles = true;
        continue;
      }
      // Events may begin without a section line, but only before any styles.
      if (inStyles || !(eventLine || (line.size() >= kMinEventLine && startsWith(line, "Format:"))))
        continue;
      inEvents = true;  // and the same line opens the section
    }
    if (!sectionOpened) {
      sectionOpened = true;
      if (line.size() >= 8 && startsWith(line, "Format:")) {
        openedByFormat = true;
        const std::vector<std::string_view> fields =
            fieldsOf(line.substr(7), std::numeric_limits<std::size_t>::max());
        // As the parser does: the search stops once both are known.
        for (std::size_t j = 0; j < fields.size() && (startColumn == -1 || endColumn == -1); ++j) {
          if (fields[j] == "Start")
            startColumn = static_cast<int>(j);
          else if (fields[j] == "End")
            endColumn = static_cast<int>(j);
        }
      } else if (eventLine) {
        // The usual columns are assumed, and this line is not an entry.
        openedByEvent = true;
        startColumn = 1;
        endColumn = 2;
      }
      continue;
    }
    if (!eventLine)
      continue;
    eventLineInSection = true;
    if (startColumn < 0 || endColumn < 0)
      continue;
    const std::size_t needed = static_cast<std::size_t>(std::max(startColumn, endColumn)) + 1;
    if (fieldsOf(line.substr(line.find(':') + 1), needed).size() >= needed)
      return ScriptShape::Readable;
  }
  if (!anyEventLine)
    return ScriptShape::NoEventLines;
  if (!sectionOpened)
    return ScriptShape::OutsideEvents;
  if (!openedByFormat && !openedByEvent)
    return ScriptShape::NoFormatLine;
  if (startColumn < 0 || endColumn < 0)
    return ScriptShape::NoTimeColumns;
  if (!eventLineInSection)
    return openedByEvent ? ScriptShape::EventLineAsFormat : ScriptShape::OutsideEvents;
  return ScriptShape::TooFewFields;
}

std::string describeShape(ScriptShape shape) {
  switch (shape) {
    case ScriptShape::Readable:
      break;
    case ScriptShape::NoEventLines:
      return "the script holds no event lines (lines of 28 bytes or more starting Dialogue:, "
             "Comment:, Picture:, Sound:, Movie: or Command:)";
    case ScriptShape::OutsideEvents:
      return "the script's event lines are not in its events section: after a styles section "
             "they need an [Events] line before them";
    case ScriptShape::NoFormatLine:
      return "the first line of the [Events] section is neither a Format: line nor an event "
             "line, so no event line is read";
    case ScriptShape::EventLineAsFormat:
      return "the script's only event line opens its events section, where the plug-in takes "
             "it in place of a Format: line; add a Format: line before it";
    case ScriptShape::NoTimeColumns:
      return "the events Format: line names no Start or no End column, so no event line is read";
    case ScriptShape::TooFewFields:
      return "no event line has as many fields as the Format: line's Start and End columns need";
  }
  return {};
}

}  // namespace

SourceFile readSourceFile(const std::string& path) {
  SourceFile file;
  file.path = path;
  // Not blocking: a pipe or a device must not hold the host up.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    file.readError = std::strerror(errno);
    return file;
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    file.readError = std::strerror(errno);
  } else if (S_ISDIR(info.st_mode)) {
    file.readError = std::strerror(EISDIR);
  } else if (!S_ISREG(info.st_mode)) {
    file.readError = "not a regular file";
  } else {
    file.size = static_cast<std::uint64_t>(info.st_size);
    file.readable = true;
    if (file.size <= kLargestScript) {
      file.bytes.resize(static_cast<std::size_t>(file.size));
      std::size_t got = 0;
      while (got < file.bytes.size()) {
        const ssize_t n = read(fd, file.bytes.data() + got, file.bytes.size() - got);
        if (n < 0 && errno == EINTR)
          continue;
        if (n < 0) {
          file.readable = false;
          file.readError = std::strerror(errno);
          break;
        }
        if (n == 0)
          break;
        got += static_cast<std::size_t>(n);
      }
      file.bytes.resize(got);
      file.size = got;
    }
  }
  close(fd);
  return file;
}

std::string diagnoseOpenFailure(const SourceFile& file, const CodePageSettings& settings,
                                const SettingNames& names) {
  const std::string overrideEmbedded = std::string(names.overrideEmbedded) + names.separator;
  // In the order the plug-in checks: the path, the name, the bytes, the encoding, the script.
  if (!isWellFormedUtf8(file.path))
    return "the file's path is not well-formed UTF-8, and the plug-in opens no other paths";
  if (!hasScriptExtension(file.path))
    return "the file name does not end in .ass or .ssa (in lower case), and the plug-in opens "
           "no other names";
  if (!file.readable)
    return "cannot read " + file.path + ": " + file.readError;
  if (file.size > kLargestScript)
    return "the file is " + std::to_string(file.size) + " bytes, more than the " +
           std::to_string(kLargestScript) + " the plug-in reads";
  if (file.bytes.empty())
    return "the file is empty";

  const std::string_view bytes = file.bytes;
  const Mark* mark = findMark(bytes);
  // The mark counts only with an explicit false; no answer acts as true.
  const bool markCounts = settings.overrideEmbedded == std::optional<bool>(false);
  if (mark != nullptr && markCounts && mark->skip == bytes.size())
    return std::string("the file holds nothing but a ") + mark->shown + " byte-order mark";
  if (mark != nullptr && !markCounts) {
    const std::string suggestion =
        std::string("the file starts with a ") + mark->shown +
        " byte-order mark, which the plug-in ignores " +
        (settings.overrideEmbedded ? "with " + overrideEmbedded + "true"
                                   : std::string("unless told otherwise")) +
        "; try " + overrideEmbedded + "false";
    if (mark->encoding == Encoding::Unknown)
      return suggestion;
    // Suggested only where the mark would make the script readable; else
    // what stands in the way whatever the encoding is named instead.
    const ScriptShape shape = scanScript(decode(bytes.substr(mark->skip), mark->encoding));
    if (shape == ScriptShape::Readable)
      return suggestion;
    // A UTF-8 mark read as text is well-formed UTF-8, so the text as read
    // tells the rest.
    if (mark->encoding != Encoding::Utf8)
      return describeShape(shape);
  }

  const bool named = settings.name.has_value() && !settings.name->empty();
  const Encoding encoding = named ? namedEncoding(*settings.name) : Encoding::Unchanged;
  const Mark* used = markCounts ? mark : nullptr;
  if (used == nullptr) {
    if (const char* order = unmarkedUtf16Order(bytes)) {
      const Encoding wide = order[0] == 'L' ? Encoding::Utf16LE : Encoding::Utf16BE;
      if (encoding != wide)
        return std::string("the file looks like UTF-16 ") + order +
               " without a byte-order mark; try " + names.codepage + names.separator + "UTF-16" +
               order;
    }
  }

  // The text as the plug-in parses it, when the host can tell what that is.
  const Encoding parsed = used != nullptr ? used->encoding : encoding;
  if (parsed == Encoding::Unknown)
    return {};
  return describeShape(scanScript(decode(bytes.substr(used != nullptr ? used->skip : 0), parsed)));
}

}  // namespace QuarnHost
