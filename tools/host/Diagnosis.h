// Why the plug-in refuses a script: the host looks at the source itself,
// follows the plug-in's own rules (rules/) in the order the plug-in applies
// them, and names the first cause it meets and a way round it in its own
// user's terms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "CodePageSettings.h"

namespace QuarnHost {

/// The largest file the plug-in reads: the text and its terminator must fit
/// a signed 32-bit size.
constexpr std::uint64_t kLargestScript = 2147483646;

/// How a host's user gives the two settings: the player's options, the
/// element's properties.
struct SettingNames {
  const char* overrideEmbedded;
  const char* codepage;
  /// Between a name and its value.
  const char* separator;
};
constexpr SettingNames kPlayerOptions{"--override-embedded", "--codepage", " "};
constexpr SettingNames kElementProperties{"override-embedded", "codepage", "="};

/// What the host could learn about a local source on its own.
struct SourceFile {
  /// The absolute path the plug-in was given.
  std::string path;
  /// False when the file could not be read; `readError` then says why.
  bool readable = false;
  std::string readError;
  std::uint64_t size = 0;
  /// The whole file; left empty when it is larger than kLargestScript.
  std::string bytes;
};

/// The file's name: its path after the last "/".
std::string fileNameOf(const SourceFile& file);

/// Reads the regular file at `path` without waiting on anything else.
SourceFile readSourceFile(const std::string& path);

/// The first thing that makes the plug-in refuse a source, in the order it
/// checks them.
enum class Refusal {
  None,             // it opens the source
  NotLocal,         // a URL of another scheme, or of another host
  BadFileUrl,       // a file URL it makes no path of
  PathNotUtf8,      // the path is not well-formed UTF-8
  NotScriptName,    // the name does not end in .ass or .ssa
  Unreadable,       // the file cannot be opened or read
  TooLarge,         // more than kLargestScript bytes
  OnlyMark,         // a counted byte-order mark and nothing after it
  Empty,            // no bytes at all
  UnknownCodePage,  // no converter by the name it was given
  NothingDecoded,   // the conversion left no text
  NotUtf8Start,     // the text does not start with a well-formed UTF-8 character
  NoEventsSection,  // the events section never begins
  NoFormatLine,     // its first line is neither a format line nor an event line
  NoTimeColumns,    // the format line names no Start or no End column
  NoEntries,        // no event line becomes an entry
};

/// A name for the refusal, for logs and tests: "NotUtf8Start".
const char* refusalName(Refusal refusal);

struct Explanation {
  Refusal refusal = Refusal::None;
  /// The cause and, where one helps, the way round it: one line without a
  /// program name or a line break. Empty when the plug-in opens the source.
  std::string text;
};

/// What the plug-in makes of `file` with the host's answers `settings`;
/// advice is spelt with `names`.
Explanation explainFile(const SourceFile& file, const CodePageSettings& settings,
                        const SettingNames& names);

/// What the plug-in makes of a location given as a URL: NotLocal or
/// BadFileUrl, or None with `path` set to the local file it names, which
/// explainFile then looks at.
Explanation explainUrl(std::string_view url, std::string& path);

/// What the plug-in makes of `location`, the URL it was given: the URL's
/// own problem, else the file's (read from the path the URL names).
Explanation explainLocation(std::string_view location, const CodePageSettings& settings,
                            const SettingNames& names);

/// Advice on naming the encoding of `file`, read with `settings`, spelt with
/// `names`: ICU's guess ("the text looks like windows-1251: try --codepage
/// windows-1251") when reading with it opens the file, else a request to
/// name it.
std::string suggestEncoding(const SourceFile& file, const CodePageSettings& settings,
                            const SettingNames& names);

/// The text the plug-in's parser is given for `file` read with `settings`;
/// no value when the plug-in refuses the file before it parses anything.
/// Decodes the whole file: for a script that was opened, ask only when
/// there is something to look for.
std::optional<std::string> parserText(const SourceFile& file, const CodePageSettings& settings);

/// How the plug-in decodes `file` with `settings`.
struct ReadEncoding {
  /// The converter name; empty when the bytes are taken as they are (UTF-8).
  std::string converter;
  /// As people write it: "UTF-8", "UTF-16 LE", "windows-1251".
  std::string shown;
  /// The bytes of a counted byte-order mark that are not decoded.
  std::size_t skip = 0;
};
ReadEncoding readEncodingOf(const SourceFile& file, const CodePageSettings& settings);

}  // namespace QuarnHost
