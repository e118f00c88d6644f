#include "Diagnosis.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include <rules/ByteOrderMarks.h>
#include <rules/FileUrl.h>
#include <rules/ScriptName.h>
#include <rules/ScriptScanner.h>
#include <rules/Utf8.h>

#include "IcuText.h"

namespace QuarnHost {
namespace {

using Quarn::ByteOrderMark;
using Quarn::LineKind;

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

/// A section line the reader does not take, that looks like one it does.
struct Lookalike {
  std::size_t at = 0;  // offset of the line
  std::string text;    // the line up to its closing bracket
  const char* meant;   // the section line it resembles
};

/// The section lines the reader knows, as a script must spell them.
constexpr const char* kSectionLines[] = {"[Events]", "[V4 Styles]", "[V4+ Styles]"};

/// Edits (insertions, deletions, changes) between two short texts.
std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j)
    row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

/// `text` with its ASCII letters in lower case.
std::string lowered(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

/// The section line `line` resembles without being it: the nearest of the
/// ones the reader knows, with case ignored, when up to two edits away.
/// Null for any other line, and for a section line the reader takes.
const char* resembledSection(std::string_view line) {
  if (!startsWith(line, "["))
    return nullptr;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos || close > 16)
    return nullptr;
  const std::string head = lowered(line.substr(0, close + 1));
  const char* nearest = nullptr;
  std::size_t nearestDistance = 3;
  for (const char* known : kSectionLines) {
    if (startsWith(line, known))
      return nullptr;
    const std::size_t distance = editDistance(head, lowered(known));
    if (distance < nearestDistance) {
      nearest = known;
      nearestDistance = distance;
    }
  }
  return nearest;
}

/// The 1-based number of the line at `offset`: LF, CR LF and a lone CR each
/// end a line, as an editor counts them.
std::size_t lineNumberAt(std::string_view text, std::size_t offset) {
  std::size_t number = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
      ++number;
  }
  return number;
}

/// What the plug-in's parser makes of a text, and what a person would want
/// to know about where it stopped.
struct ScanOutcome {
  Refusal refusal = Refusal::NoEventsSection;
  /// The events section began (by its mark or by an implied first line).
  bool eventsBegan = false;
  /// The section's first line, when there was one.
  std::optional<LineKind> firstLine;
  bool anyEventLine = false;
  bool eventLineInEvents = false;
  /// Any line a script is made of: a section mark, a format or event line.
  bool looksLikeScript = false;
  /// Where the events section began, and whether a Format: or event line
  /// began it without a section line.
  std::size_t eventsAt = 0;
  bool eventsImplied = false;
  /// The events Format: line: where, and the columns it names.
  std::size_t formatAt = 0;
  std::vector<std::string> formatColumns;
  /// The first section line met before the events that resembles one the
  /// reader knows.
  std::optional<Lookalike> lookalike;
};

ScanOutcome scan(std::string_view text) {
  ScanOutcome outcome;
  Quarn::ScriptScanner scanner(text, false);
  Quarn::ScriptLine line;
  while (scanner.next(line)) {
    const bool eventLine = Quarn::isEventLine(line.text);
    outcome.anyEventLine = outcome.anyEventLine || eventLine;
    outcome.looksLikeScript = outcome.looksLikeScript || eventLine || startsWith(line.text, "[") ||
                              startsWith(line.text, "Format:") || startsWith(line.text, "Style:");
    if (!outcome.eventsBegan && !outcome.lookalike) {
      if (const char* meant = resembledSection(line.text)) {
        const std::size_t close = line.text.find(']');
        outcome.lookalike =
            Lookalike{line.start, std::string(line.text.substr(0, close + 1)), meant};
      }
    }
    switch (line.kind) {
      case LineKind::EventsMark:
      case LineKind::ImpliedEvents:
        outcome.eventsBegan = true;
        outcome.eventsAt = line.start;
        outcome.eventsImplied = line.kind == LineKind::ImpliedEvents;
        break;
      case LineKind::EventsFormat:
        outcome.formatAt = line.start;
        outcome.formatColumns.assign(scanner.fields().begin(), scanner.fields().end());
        outcome.firstLine = line.kind;
        break;
      case LineKind::EventsDefault:
      case LineKind::EventsBare:
        outcome.firstLine = line.kind;
        break;
      case LineKind::EventNoColumns:
      case LineKind::EventShort:
        outcome.eventLineInEvents = true;
        break;
      case LineKind::Entry:
        outcome.refusal = Refusal::None;
        return outcome;
      case LineKind::Preamble:
      case LineKind::StylesMark:
      case LineKind::Other:
        break;
    }
  }
  if (!outcome.eventsBegan)
    outcome.refusal = Refusal::NoEventsSection;
  else if (!outcome.firstLine || *outcome.firstLine == LineKind::EventsBare)
    outcome.refusal = Refusal::NoFormatLine;
  else if (scanner.startColumn() < 0 || scanner.endColumn() < 0)
    outcome.refusal = Refusal::NoTimeColumns;
  else
    outcome.refusal = Refusal::NoEntries;
  return outcome;
}

/// Every step of the plug-in's reading of a file, as far as it got.
struct Reading {
  Refusal refusal = Refusal::None;
  /// A counted mark, which named the encoding.
  const ByteOrderMark* mark = nullptr;
  /// The converter name; empty when the bytes are used as they are.
  std::string converter;
  /// The text the parser was given.
  std::string text;
  ScanOutcome scanned;
};

const ByteOrderMark* markOf(std::string_view bytes) {
  return Quarn::findByteOrderMark(reinterpret_cast<const unsigned char*>(bytes.data()),
                                  std::min<std::size_t>(bytes.size(), 4));
}

bool markCounts(const CodePageSettings& settings) {
  // Only an explicit false lets the mark decide; no answer acts as true.
  return settings.overrideEmbedded == std::optional<bool>(false);
}

/// The mark that names the encoding: one the settings let count.
const ByteOrderMark* countedMark(const SourceFile& file, const CodePageSettings& settings) {
  return markCounts(settings) ? markOf(file.bytes) : nullptr;
}

/// The plug-in's steps from the file's bytes to the text its parser is
/// given, for a readable local file with a script's name; the text is not
/// scanned yet.
Reading decodeAsPlugin(const SourceFile& file, const CodePageSettings& settings) {
  Reading reading;
  if (!file.readable) {
    reading.refusal = Refusal::Unreadable;
    return reading;
  }
  if (file.size > kLargestScript) {
    reading.refusal = Refusal::TooLarge;
    return reading;
  }
  const std::string_view bytes = file.bytes;
  reading.mark = countedMark(file, settings);
  if (reading.mark != nullptr && reading.mark->skip == bytes.size()) {
    reading.refusal = Refusal::OnlyMark;
    return reading;
  }
  const ReadEncoding encoding = readEncodingOf(file, settings);
  reading.converter = encoding.converter;
  const std::size_t skip = encoding.skip;
  if (bytes.empty()) {
    reading.refusal = Refusal::Empty;
    return reading;
  }
  if (reading.converter.empty()) {
    reading.text = std::string(bytes);
  } else {
    DecodedText decoded = decodeText(bytes.substr(skip), reading.converter);
    if (!decoded.known) {
      reading.refusal = Refusal::UnknownCodePage;
      return reading;
    }
    // Converted text ends at its first zero character.
    reading.text = std::move(decoded.text);
    reading.text.resize(std::min(reading.text.size(), reading.text.find('\0')));
    if (reading.mark != nullptr && reading.mark->decodedWithText &&
        startsWith(reading.text, "\xEF\xBB\xBF"))
      reading.text.erase(0, 3);
    if (reading.text.empty()) {
      reading.refusal = Refusal::NothingDecoded;
      return reading;
    }
  }
  const auto* text = reinterpret_cast<const unsigned char*>(reading.text.data());
  if (!Quarn::isLegalUtf8Sequence(text, text + reading.text.size()))
    reading.refusal = Refusal::NotUtf8Start;
  return reading;
}

/// The plug-in's steps from the file's bytes to its verdict.
Reading readAsPlugin(const SourceFile& file, const CodePageSettings& settings) {
  Reading reading = decodeAsPlugin(file, settings);
  if (reading.refusal != Refusal::None)
    return reading;
  reading.scanned = scan(reading.text);
  reading.refusal = reading.scanned.refusal;
  return reading;
}

bool isParseRefusal(Refusal refusal) {
  return refusal >= Refusal::NoEventsSection;
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

/// Writes explanations in the terms of one host's user.
class Explainer {
 public:
  Explainer(const SourceFile& file, const CodePageSettings& settings, const SettingNames& names)
      : file_(file), settings_(settings), names_(names) {}

  Explanation explain() const;
  /// How to name the file's encoding: ICU's guess, when reading with it
  /// opens the file, else a request to name it.
  std::string suggestEncoding() const;

 private:
  std::string setting(const char* name, const std::string& value) const {
    return std::string(name) + names_.separator + value;
  }
  std::string codepage(const std::string& value) const { return setting(names_.codepage, value); }
  /// How the text came to be decoded as it was: "--codepage X" or "its
  /// byte-order mark".
  std::string decodedBy(const Reading& reading) const;
  std::string describe(const Reading& reading) const;
  std::string describeScan(const Reading& reading) const;
  std::optional<std::string> markAdvice(const Reading& reading) const;
  std::optional<std::string> encodingAdvice(const Reading& reading) const;
  bool opensWith(const CodePageSettings& settings) const {
    return readAsPlugin(file_, settings).refusal == Refusal::None;
  }

  const SourceFile& file_;
  const CodePageSettings& settings_;
  const SettingNames& names_;
};

std::string Explainer::decodedBy(const Reading& reading) const {
  if (reading.mark != nullptr)
    return std::string("by its ") + reading.mark->shown + " byte-order mark";
  if (settings_.detected)
    return "as " + reading.converter + ", which " + codepage(std::string(kDetectCodePage)) +
           " detected";
  return "with " + codepage(reading.converter);
}

std::string Explainer::describeScan(const Reading& reading) const {
  const ScanOutcome& scanned = reading.scanned;
  const std::string_view text = reading.text;
  auto lineOf = [text](std::size_t at) { return "line " + std::to_string(lineNumberAt(text, at)); };
  constexpr const char* kEventLines =
      "event lines (lines of 28 bytes or more starting Dialogue:, Comment:, Picture:, Sound:, "
      "Movie: or Command:)";
  constexpr const char* kOutside =
      "the script's event lines are not in its events section: after a styles section they "
      "need an [Events] line before them";
  // A section line the reader passed over, told with the line and the fix.
  auto lookalike = [&]() -> std::string {
    const Lookalike& l = *scanned.lookalike;
    return lineOf(l.at) + ", \"" + l.text + "\", is not read as a section line: write it " +
           l.meant;
  };
  const bool stylesLookalike =
      scanned.lookalike && std::string_view(scanned.lookalike->meant) != "[Events]";
  switch (scanned.refusal) {
    case Refusal::NoEventsSection:
      if (scanned.lookalike && !stylesLookalike)
        return "the script has no [Events] section: " + lookalike();
      if (scanned.anyEventLine)
        return kOutside;
      return std::string("the script has no [Events] section and holds no ") + kEventLines;
    case Refusal::NoFormatLine:
      if (!scanned.firstLine)
        return "the script ends where its [Events] section begins (" + lineOf(scanned.eventsAt) +
               "), so it holds no event lines";
      return "the first line of the [Events] section (after " + lineOf(scanned.eventsAt) +
             ") is neither a Format: line nor an event line, so no event line is read";
    case Refusal::NoTimeColumns: {
      std::string columns;
      bool caseOnly = false;
      for (const std::string& column : scanned.formatColumns) {
        columns += (columns.empty() ? "" : ", ") + column;
        const std::string lower = lowered(column);
        caseOnly = caseOnly || (lower == "start" && column != "Start") ||
                   (lower == "end" && column != "End");
      }
      // A styles section the reader missed leaves its Format: line to be
      // taken for the events' one: the section line is what to change.
      if (stylesLookalike && scanned.eventsImplied)
        return lookalike() + "; so the styles Format: line, " + lineOf(scanned.formatAt) +
               ", was read as the events Format: line, which names no Start or no End column";
      std::string explanation = "the events Format: line, " + lineOf(scanned.formatAt) +
                                ", names no Start or no End column (it names " + columns +
                                "), so no event line is read";
      if (caseOnly)
        explanation += "; column names are case-sensitive: write Start and End";
      return explanation;
    }
    case Refusal::NoEntries:
      if (scanned.eventLineInEvents)
        return "no event line has as many fields as the Format: line's Start and End columns "
               "need";
      if (scanned.firstLine == LineKind::EventsDefault)
        return "the script's only event line opens its events section, where the plug-in takes "
               "it in place of a Format: line; add a Format: line before it";
      if (scanned.anyEventLine)
        return kOutside;
      return "the [Events] section, from " + lineOf(scanned.eventsAt) + ", holds no " + kEventLines;
    default:
      return {};
  }
}

std::string Explainer::describe(const Reading& reading) const {
  switch (reading.refusal) {
    case Refusal::Unreadable:
      return "cannot read " + file_.path + ": " + file_.readError;
    case Refusal::TooLarge:
      return "the file is " + std::to_string(file_.size) + " bytes, more than the " +
             std::to_string(kLargestScript) + " the plug-in reads";
    case Refusal::OnlyMark:
      return std::string("the file holds nothing but a ") + reading.mark->shown +
             " byte-order mark";
    case Refusal::Empty:
      return "the file is empty";
    case Refusal::UnknownCodePage:
      return codepage(reading.converter) +
             " names no code page ICU knows (known names are, for example, windows-1252, "
             "ISO-8859-15, Shift_JIS and UTF-16LE)";
    case Refusal::NothingDecoded:
      return "decoded " + decodedBy(reading) +
             ", the file gives no text: it is empty or starts with a zero character";
    case Refusal::NotUtf8Start:
      return "the file does not begin with a well-formed UTF-8 character, so it is not UTF-8; " +
             suggestEncoding();
    default:
      break;
  }
  // Text that decodes into no line of a script at all was not in that
  // encoding: saying what its lines lack would only mislead.
  if (!reading.converter.empty() && !reading.scanned.looksLikeScript) {
    std::string text = "decoded " + decodedBy(reading) +
                       ", the file holds no line of a script (no [section], Format: or event "
                       "line), so it is not in that encoding";
    if (reading.mark == nullptr && opensWith(CodePageSettings{settings_.overrideEmbedded, {}}))
      text += "; without " + std::string(names_.codepage) + " it opens as UTF-8";
    return text;
  }
  return describeScan(reading);
}

// A mark the plug-in was told to ignore, where counting it changes things.
std::optional<std::string> Explainer::markAdvice(const Reading& reading) const {
  if (markCounts(settings_))
    return std::nullopt;
  const ByteOrderMark* mark = markOf(file_.bytes);
  if (mark == nullptr)
    return std::nullopt;
  const std::string counted = setting(names_.overrideEmbedded, "false");
  const std::string ignored =
      std::string("the file starts with a ") + mark->shown +
      " byte-order mark, which the plug-in ignores " +
      (settings_.overrideEmbedded ? "with " + setting(names_.overrideEmbedded, "true")
                                  : std::string("unless told otherwise"));
  const CodePageSettings withMark{false, settings_.name};
  const Reading markRead = readAsPlugin(file_, withMark);
  if (markRead.refusal == Refusal::None)
    return ignored + "; try " + counted;
  // A UTF-8 mark read as text is in the way only of a first line that counts,
  // and what else stands in the way is the same either way.
  if (reading.refusal != Refusal::NotUtf8Start)
    return std::nullopt;
  return ignored + "; with " + counted + " it would still not open: " + describe(markRead);
}

std::string Explainer::suggestEncoding() const {
  const std::optional<EncodingGuess> guess = guessEncoding(file_.bytes);
  const ReadEncoding used = readEncodingOf(file_, settings_);
  if (guess && guess->name != used.shown && guess->name != used.converter &&
      opensWith(CodePageSettings{settings_.overrideEmbedded, guess->name})) {
    // Detection would answer the same, and spares naming each file's own.
    if (guess->confidence >= kConfidentGuess)
      return "the text looks like " + guess->name + ": try " + codepage(guess->name) +
             (settings_.detected ? "" : " or " + codepage(std::string(kDetectCodePage)));
    return "it may be " + guess->name + " (ICU's guess, an uncertain one): try " +
           codepage(guess->name) + " or name its encoding";
  }
  return "name its encoding with " + codepage("NAME");
}

// Text in another encoding than the one it was read in.
std::optional<std::string> Explainer::encodingAdvice(const Reading& reading) const {
  if (reading.mark != nullptr)
    return std::nullopt;
  if (const char* order = unmarkedUtf16Order(file_.bytes)) {
    const std::string name = std::string("UTF-16") + order;
    if (opensWith(CodePageSettings{settings_.overrideEmbedded, name}))
      return std::string("the file looks like UTF-16 ") + order +
             " without a byte-order mark; try " + codepage(name);
  }
  return std::nullopt;
}

Explanation Explainer::explain() const {
  // The path and the name come first, as the plug-in checks them.
  const auto* path = reinterpret_cast<const unsigned char*>(file_.path.data());
  if (!Quarn::isValidUtf8(path, file_.path.size()))
    return {Refusal::PathNotUtf8,
            "the file's path is not well-formed UTF-8, and the plug-in opens no other paths"};
  if (!Quarn::hasScriptExtension(file_.path))
    return {Refusal::NotScriptName,
            "the file name does not end in .ass or .ssa (in lower case), and the plug-in opens "
            "no other names"};

  const Reading reading = readAsPlugin(file_, settings_);
  if (reading.refusal == Refusal::None)
    return {};
  if (reading.refusal == Refusal::NotUtf8Start || isParseRefusal(reading.refusal)) {
    if (std::optional<std::string> advice = markAdvice(reading))
      return {reading.refusal, std::move(*advice)};
    if (std::optional<std::string> advice = encodingAdvice(reading))
      return {reading.refusal, std::move(*advice)};
  }
  return {reading.refusal, describe(reading)};
}

}  // namespace

const char* refusalName(Refusal refusal) {
  switch (refusal) {
    case Refusal::None:
      return "None";
    case Refusal::NotLocal:
      return "NotLocal";
    case Refusal::BadFileUrl:
      return "BadFileUrl";
    case Refusal::PathNotUtf8:
      return "PathNotUtf8";
    case Refusal::NotScriptName:
      return "NotScriptName";
    case Refusal::Unreadable:
      return "Unreadable";
    case Refusal::TooLarge:
      return "TooLarge";
    case Refusal::OnlyMark:
      return "OnlyMark";
    case Refusal::Empty:
      return "Empty";
    case Refusal::UnknownCodePage:
      return "UnknownCodePage";
    case Refusal::NothingDecoded:
      return "NothingDecoded";
    case Refusal::NotUtf8Start:
      return "NotUtf8Start";
    case Refusal::NoEventsSection:
      return "NoEventsSection";
    case Refusal::NoFormatLine:
      return "NoFormatLine";
    case Refusal::NoTimeColumns:
      return "NoTimeColumns";
    case Refusal::NoEntries:
      return "NoEntries";
  }
  return "?";
}

std::string fileNameOf(const SourceFile& file) {
  return file.path.substr(file.path.rfind('/') + 1);
}

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

Explanation explainFile(const SourceFile& file, const CodePageSettings& settings,
                        const SettingNames& names) {
  return Explainer(file, settings, names).explain();
}

Explanation explainUrl(std::string_view url, std::string& path) {
  const std::string scheme(url.substr(0, url.find(':')));
  switch (Quarn::decodeFileUrl(url, path)) {
    case Quarn::FileUrlProblem::None:
      return {};
    case Quarn::FileUrlProblem::NotFile:
      return {Refusal::NotLocal,
              "the plug-in reads only local files, given as a path or a "
              "file: URL, and not " +
                  scheme + ": URLs; save the script to a file first"};
    case Quarn::FileUrlProblem::OtherHost:
      return {Refusal::NotLocal,
              "the URL names a file on another host, and the plug-in reads only local files "
              "(file:///path or file://localhost/path)"};
    case Quarn::FileUrlProblem::NoPath:
      return {Refusal::BadFileUrl, "the file: URL holds no absolute path (file:///path)"};
    case Quarn::FileUrlProblem::QueryOrFragment:
      return {Refusal::BadFileUrl,
              "the file: URL has a query or fragment (? or #), which a local file has not; "
              "write them as %3F and %23 if they are part of the name"};
    case Quarn::FileUrlProblem::BadEscape:
      return {Refusal::BadFileUrl,
              "the file: URL has a % that is not followed by two hexadecimal digits"};
    case Quarn::FileUrlProblem::ZeroByte:
      return {Refusal::BadFileUrl, "the file: URL holds a zero byte (%00)"};
    case Quarn::FileUrlProblem::TooLong:
      return {Refusal::BadFileUrl, "the file: URL's path is longer than the " +
                                       std::to_string(Quarn::kMaxPathBytes - 1) +
                                       " bytes a path may have"};
  }
  return {};
}

Explanation explainLocation(std::string_view location, const CodePageSettings& settings,
                            const SettingNames& names) {
  std::string path;
  Explanation url = explainUrl(location, path);
  if (url.refusal != Refusal::None)
    return url;
  return explainFile(readSourceFile(path), settings, names);
}

std::string suggestEncoding(const SourceFile& file, const CodePageSettings& settings,
                            const SettingNames& names) {
  return Explainer(file, settings, names).suggestEncoding();
}

std::optional<std::string> parserText(const SourceFile& file, const CodePageSettings& settings) {
  Reading reading = decodeAsPlugin(file, settings);
  if (reading.refusal != Refusal::None)
    return std::nullopt;
  return std::move(reading.text);
}

ReadEncoding readEncodingOf(const SourceFile& file, const CodePageSettings& settings) {
  ReadEncoding encoding;
  const ByteOrderMark* mark = countedMark(file, settings);
  if (mark != nullptr) {
    encoding.converter = mark->converter;
    encoding.shown = mark->shown;
    encoding.skip = mark->decodedWithText ? 0 : mark->skip;
  } else if (settings.name && !settings.name->empty()) {
    encoding.converter = *settings.name;
    encoding.shown = *settings.name;
  } else {
    encoding.shown = "UTF-8";
  }
  return encoding;
}

}  // namespace QuarnHost
