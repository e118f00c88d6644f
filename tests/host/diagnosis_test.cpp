// The player's explanation of a refused local file: one row per cause, in
// the order the plug-in meets them, and rows where the file shows no cause.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Diagnosis.h"
#include "SourceFiles.h"
#include "play/PlayerProcess.h"

namespace QuarnHost {
namespace {

const std::string kHeader =
    "[Script Info]\r\n"
    "ScriptType: v4.00+\r\n"
    "\r\n"
    "[V4+ Styles]\r\n"
    "Format: Name, Fontname, Fontsize\r\n"
    "Style: Default,Sans,28\r\n"
    "\r\n";
const std::string kFormat =
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";
const std::string kEvent = "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Hello\r\n";
const std::string kScript = kHeader + "[Events]\r\n" + kFormat + kEvent;
const std::string kNoEvents = kHeader + "[Events]\r\n" + kFormat;

/// ASCII `text` in UTF-16 or UTF-32 of either order, with `mark` before it.
std::string wide(const std::string& text, int unit, bool bigEndian, const std::string& mark = {}) {
  std::string out = mark;
  for (const char c : text) {
    std::string code(static_cast<std::size_t>(unit), '\0');
    code[bigEndian ? code.size() - 1 : 0] = c;
    out += code;
  }
  return out;
}

const std::string kLe16Mark("\xFF\xFE", 2);
const std::string kBe16Mark("\xFE\xFF", 2);
const std::string kLe32Mark("\xFF\xFE\x00\x00", 4);
const std::string kBe32Mark("\x00\x00\xFE\xFF", 4);
const std::string kUtf8Mark = "\xEF\xBB\xBF";

struct Row {
  const char* what;
  std::string bytes;
  std::optional<bool> overrideEmbedded;
  std::optional<std::string> codepage;
  /// The first cause the plug-in meets.
  Refusal refusal;
  /// A part of the explanation that names the cause and the way round it;
  /// empty when the plug-in opens the file.
  std::string expected;
  std::string path = "/scripts/film.ass";
};

SourceFile fileOf(const Row& row) {
  SourceFile file;
  file.path = row.path;
  file.readable = true;
  file.size = row.bytes.size();
  file.bytes = row.bytes;
  return file;
}

void check(const Row& row, const SourceFile& file, const SettingNames& names = kPlayerOptions) {
  const Explanation said =
      explainFile(file, CodePageSettings{row.overrideEmbedded, row.codepage}, names);
  EXPECT_STREQ(refusalName(said.refusal), refusalName(row.refusal)) << row.what;
  if (row.expected.empty())
    EXPECT_EQ(said.text, "") << row.what;
  else
    EXPECT_NE(said.text.find(row.expected), std::string::npos)
        << row.what << "\n  said: " << said.text;
  EXPECT_EQ(said.text.find('\n'), std::string::npos) << row.what << ": one line";
}

TEST(Diagnosis, NamesAndFilesTheContainerRefusesBeforeReading) {
  const std::string byName = "does not end in .ass or .ssa (in lower case)";
  const Row rows[] = {
      {"a path that is not UTF-8",
       kScript,
       {},
       {},
       Refusal::PathNotUtf8,
       "path is not well-formed UTF-8",
       "/scripts/caf\xE9.ass"},
      {"a text file", kScript, {}, {}, Refusal::NotScriptName, byName, "/scripts/film.txt"},
      {"an upper-case extension",
       kScript,
       {},
       {},
       Refusal::NotScriptName,
       byName,
       "/scripts/FILM.ASS"},
      {"the extension is not last",
       kScript,
       {},
       {},
       Refusal::NotScriptName,
       byName,
       "/scripts/film.ass.bak"},
      {"no dot in the name", kScript, {}, {}, Refusal::NotScriptName, byName, "/scripts.d/film"},
      {"empty", "", {}, {}, Refusal::Empty, "the file is empty"},
      {"a .ssa name", kScript, {}, {}, Refusal::None, "", "/scripts/film.ssa"},
  };
  for (const Row& row : rows)
    check(row, fileOf(row));

  SourceFile missing;
  missing.path = "/scripts/film.ass";
  missing.readError = "No such file or directory";
  check({"unreadable",
         "",
         {},
         {},
         Refusal::Unreadable,
         "cannot read /scripts/film.ass: No such file or directory"},
        missing);
  // Too large for the plug-in: only the size is known.
  SourceFile large;
  large.path = "/scripts/film.ass";
  large.readable = true;
  large.size = kLargestScript + 1;
  check({"too large",
         "",
         {},
         {},
         Refusal::TooLarge,
         "the file is 2147483647 bytes, more than the 2147483646"},
        large);
}

TEST(Diagnosis, ByteOrderMarksSuggestTheSettingOnlyWhereItHelps) {
  const std::string tryIt =
      "which the plug-in ignores unless told otherwise; try "
      "--override-embedded false";
  const Row rows[] = {
      {"UTF-16 LE, no answer",
       wide(kScript, 2, false, kLe16Mark),
       {},
       {},
       Refusal::NotUtf8Start,
       "UTF-16 LE byte-order mark, " + tryIt},
      {"UTF-16 BE, answered true",
       wide(kScript, 2, true, kBe16Mark),
       true,
       {},
       Refusal::NotUtf8Start,
       "UTF-16 BE byte-order mark, which the plug-in ignores with --override-embedded true; try "
       "--override-embedded false"},
      // UTF-16 LE's mark is a prefix of UTF-32 LE's: the longer one is meant.
      {"UTF-32 LE",
       wide(kScript, 4, false, kLe32Mark),
       {},
       {},
       Refusal::NotUtf8Start,
       "UTF-32 LE byte-order mark, " + tryIt},
      {"UTF-32 BE",
       wide(kScript, 4, true, kBe32Mark),
       {},
       {},
       Refusal::NoEventsSection,
       "UTF-32 BE byte-order mark, " + tryIt},
      {"UTF-16 LE, a code page named",
       wide(kScript, 2, false, kLe16Mark),
       {},
       "windows-1252",
       Refusal::NoEventsSection,
       "UTF-16 LE byte-order mark, " + tryIt},
      // A UTF-7 writer ends the mark's base64 run with "-".
      {"UTF-7",
       "+/v8-" + kFormat + kEvent,
       {},
       {},
       Refusal::NoEntries,
       "UTF-7 byte-order mark, " + tryIt},
      {"GB 18030",
       "\x84\x31\x95\x33" + kScript,
       {},
       {},
       Refusal::NotUtf8Start,
       "GB 18030 byte-order mark, " + tryIt},
      // A UTF-8 mark read as text is in the way only of a first line that counts.
      {"UTF-8 before an implied events section",
       kUtf8Mark + kFormat + kEvent,
       {},
       {},
       Refusal::NoEntries,
       "UTF-8 byte-order mark, " + tryIt},
      {"UTF-8 before a script that lacks events anyway",
       kUtf8Mark + kNoEvents,
       {},
       {},
       Refusal::NoEntries,
       "holds no event lines"},
      // Counted, the mark would still not make it readable: that is said too.
      {"UTF-16 LE without events, no answer",
       wide(kNoEvents, 2, false, kLe16Mark),
       {},
       {},
       Refusal::NotUtf8Start,
       "; with --override-embedded false it would still not open: the [Events] section, from "
       "line 8, holds no event lines"},
      {"UTF-16 LE without events, mark counted",
       wide(kNoEvents, 2, false, kLe16Mark),
       false,
       {},
       Refusal::NoEntries,
       "holds no event lines"},
      {"nothing but the mark, counted",
       kLe16Mark,
       false,
       {},
       Refusal::OnlyMark,
       "holds nothing but a UTF-16 LE byte-order mark"},
      {"nothing but the mark, ignored",
       kLe16Mark,
       {},
       {},
       Refusal::NotUtf8Start,
       "it would still not open: the file holds nothing but a UTF-16 LE byte-order mark"},
      // Readable as the plug-in was told to read it.
      {"UTF-16 LE, mark counted", wide(kScript, 2, false, kLe16Mark), false, {}, Refusal::None, ""},
      {"UTF-7, mark counted", "+/v8-" + kFormat + kEvent, false, {}, Refusal::None, ""},
      // Decoded, a "+" not written "+-" starts a base64 run: "[V4+ Styles]" is
      // no styles mark any more, and its Format: line opens the events.
      {"UTF-7 with a bare +",
       "+/v8-" + kScript,
       false,
       {},
       Refusal::NoTimeColumns,
       "the events Format: line, line 5, names no Start or no End column (it names Name, "
       "Fontname, Fontsize), so no event line is read"},
  };
  for (const Row& row : rows)
    check(row, fileOf(row));
}

TEST(Diagnosis, TextInAnotherEncodingIsNamedAsSuch) {
  // Three lines of Russian in windows-1251.
  const std::string cyrillic =
      kHeader + "[Events]\r\n" + kFormat +
      "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,"
      "\xCF\xF0\xE8\xE2\xE5\xF2, \xEA\xE0\xEA \xE4\xE5\xEB\xE0?\r\n"
      "Dialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,"
      "\xDF \xED\xE5 \xE7\xED\xE0\xFE, \xF7\xF2\xEE \xF1\xEA\xE0\xE7\xE0\xF2\xFC.\r\n"
      "Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,"
      "\xCF\xEE\xE9\xE4\xB8\xEC \xE4\xEE\xEC\xEE\xE9, \xF3\xE6\xE5 \xEF\xEE\xE7\xE4\xED\xEE.\r\n";
  const Row rows[] = {
      {"little-endian",
       wide(kScript, 2, false),
       {},
       {},
       Refusal::NoEventsSection,
       "looks like UTF-16 LE without a byte-order mark; try --codepage UTF-16LE"},
      {"big-endian",
       wide(kScript, 2, true),
       {},
       {},
       Refusal::NoEventsSection,
       "looks like UTF-16 BE without a byte-order mark; try --codepage UTF-16BE"},
      {"the wrong code page named",
       wide(kScript, 2, false),
       {},
       "windows-1252",
       Refusal::NoEventsSection,
       "try --codepage UTF-16LE"},
      {"the wrong order named",
       wide(kScript, 2, true),
       {},
       "UTF-16LE",
       Refusal::NoEventsSection,
       "try --codepage UTF-16BE"},
      // Named already, however it is spelt: what is left is the script.
      {"named, without events",
       wide(kNoEvents, 2, false),
       {},
       "utf_16le",
       Refusal::NoEntries,
       "holds no event lines"},
      {"named, readable", wide(kScript, 2, false), {}, "UTF-16LE", Refusal::None, ""},
      // Too short to tell.
      {"six bytes",
       std::string("a\0b\0c\0", 6),
       {},
       {},
       Refusal::NoEventsSection,
       "holds no event lines"},
      // A code page that turns the text into something else entirely.
      {"UTF-8 read as UTF-16",
       kScript,
       {},
       "UTF-16LE",
       Refusal::NoEventsSection,
       "decoded with --codepage UTF-16LE, the file holds no line of a script (no [section], "
       "Format: or event line), so it is not in that encoding; without --codepage it opens as "
       "UTF-8"},
      {"UTF-16 with its order left open",
       kNoEvents,
       {},
       "UTF-16",
       Refusal::NoEventsSection,
       "the file holds no line of a script"},
      {"a name ICU does not know",
       kScript,
       {},
       "no-such-cp",
       Refusal::UnknownCodePage,
       "--codepage no-such-cp names no code page ICU knows"},
      {"a zero character first",
       std::string("\0\0", 2) + wide(kScript, 2, false),
       {},
       "UTF-16LE",
       Refusal::NothingDecoded,
       "decoded with --codepage UTF-16LE, the file gives no text"},
      {"a legacy code page, not named",
       "\xCF\xF0" + cyrillic,
       {},
       {},
       Refusal::NotUtf8Start,
       "not UTF-8; the text looks like windows-1251: try --codepage windows-1251 or --codepage "
       "auto"},
      {"a legacy code page, named", "\xCF\xF0" + cyrillic, {}, "windows-1251", Refusal::None, ""},
  };
  for (const Row& row : rows)
    check(row, fileOf(row));
}

TEST(Diagnosis, ScriptsWithoutAnEventThePluginReads) {
  const Row rows[] = {
      {"a header only",
       kNoEvents,
       {},
       {},
       Refusal::NoEntries,
       "the [Events] section, from line 8, holds no event lines"},
      {"an event line under 28 bytes",
       kHeader + "[Events]\r\n" + kFormat + "Dialogue: 0,0:00:01.00\r\n",
       {},
       {},
       Refusal::NoEntries,
       "the [Events] section, from line 8, holds no event lines"},
      {"no section at all",
       kHeader,
       {},
       {},
       Refusal::NoEventsSection,
       "the script has no [Events] section and holds no event lines"},
      {"events after styles, no section line",
       kHeader + kFormat + kEvent,
       {},
       {},
       Refusal::NoEventsSection,
       "are not in its events section"},
      {"a section line spelt otherwise",
       kHeader + "[events]\r\n" + kFormat + kEvent,
       {},
       {},
       Refusal::NoEventsSection,
       "line 8, \"[events]\", is not read as a section line: write it [Events]"},
      {"events only before the section",
       kHeader + kEvent + "[Events]\r\n" + kFormat,
       {},
       {},
       Refusal::NoEntries,
       "are not in its events section"},
      {"a section opened by a comment",
       kHeader + "[Events]\r\n; timed by hand\r\n" + kFormat + kEvent,
       {},
       {},
       Refusal::NoFormatLine,
       "first line of the [Events] section (after line 8) is neither a Format: line nor an event "
       "line"},
      {"a section line and nothing after it",
       kHeader + "[Events]\r\n",
       {},
       {},
       Refusal::NoFormatLine,
       "ends where its [Events] section begins"},
      {"one event and no format line",
       kHeader + "[Events]\r\n" + kEvent,
       {},
       {},
       Refusal::NoEntries,
       "only event line opens its events section"},
      {"no Start column",
       kHeader + "[Events]\r\nFormat: Layer, Begin, End, Text\r\n" + kEvent,
       {},
       {},
       Refusal::NoTimeColumns,
       "the events Format: line, line 9, names no Start or no End column (it names Layer, "
       "Begin, End, Text), so no event line is read"},
      // A section line the reader passes over is named, with its fix.
      {"a styles section line in lower case",
       "[Script Info]\r\n[v4 Styles]\r\nFormat: Name, Fontname, Fontsize, PrimaryColour\r\n"
       "[Events]\r\n" +
           kFormat + kEvent,
       {},
       {},
       Refusal::NoTimeColumns,
       "line 2, \"[v4 Styles]\", is not read as a section line: write it [V4 Styles]; so the "
       "styles Format: line, line 3, was read as the events Format: line"},
      {"a misspelt styles section line",
       "[Script Info]\r\n\r\n[V4++ Styles]\r\nFormat: Name, Fontname, Fontsize, PrimaryColour\r\n"
       "[Events]\r\n" +
           kFormat + kEvent,
       {},
       {},
       Refusal::NoTimeColumns,
       "line 3, \"[V4++ Styles]\", is not read as a section line: write it [V4+ Styles]; so the "
       "styles Format: line, line 4,"},
      {"a misspelt events section line",
       kHeader + "[Event]\r\n" + kFormat + kEvent,
       {},
       {},
       Refusal::NoEventsSection,
       "the script has no [Events] section: line 8, \"[Event]\", is not read as a section line: "
       "write it [Events]"},
      {"columns are case-sensitive",
       kHeader + "[Events]\r\nFormat: Layer, start, end, Text\r\n" + kEvent,
       {},
       {},
       Refusal::NoTimeColumns,
       "the events Format: line, line 9, names no Start or no End column (it names Layer, start, "
       "end, Text), so no event line is read; column names are case-sensitive: write Start and "
       "End"},
      // Empty fields do not count: three fields where six are needed.
      {"too few fields",
       kHeader + "[Events]\r\nFormat: A, B, C, D, Start, End\r\nDialogue: "
                 "0,,,,,0:00:01.00,0:00:02.00\r\n",
       {},
       {},
       Refusal::NoEntries,
       "no event line has as many fields"},
      {"a legacy code page keeps ASCII",
       kNoEvents,
       {},
       "windows-1252",
       Refusal::NoEntries,
       "holds no event lines"},
      // Nothing wrong.
      {"a good script", kScript, {}, {}, Refusal::None, ""},
      {"an implied events section", kFormat + kEvent, {}, {}, Refusal::None, ""},
      {"lone LF and blank lines",
       "[Events]\n\n\n" + kFormat.substr(0, kFormat.size() - 2) + "\n" + kEvent,
       {},
       {},
       Refusal::None,
       ""},
      {"a good script in a legacy code page", kScript, {}, "windows-1252", Refusal::None, ""},
  };
  for (const Row& row : rows)
    check(row, fileOf(row));
}

TEST(Diagnosis, UrlsThePluginMakesNoLocalPathOf) {
  struct UrlRow {
    const char* url;
    Refusal refusal;
    std::string expected;  // a part of the explanation, or the path named
  };
  const UrlRow rows[] = {
      {"https://example.org/film.ass", Refusal::NotLocal,
       "reads only local files, given as a path or a file: URL, and not https: URLs"},
      {"file://server/share/film.ass", Refusal::NotLocal, "names a file on another host"},
      {"file:film.ass", Refusal::BadFileUrl, "holds no absolute path"},
      {"file:///film.ass?v=2", Refusal::BadFileUrl, "a query or fragment"},
      {"file:///film%2.ass", Refusal::BadFileUrl, "a % that is not followed by two"},
      {"file:///film%00.ass", Refusal::BadFileUrl, "a zero byte"},
      {"file:///films/caf%C3%A9.ass", Refusal::None, "/films/caf\xC3\xA9.ass"},
      {"FILE://localhost/film.ass", Refusal::None, "/film.ass"},
  };
  for (const UrlRow& row : rows) {
    std::string path;
    const Explanation said = explainUrl(row.url, path);
    EXPECT_STREQ(refusalName(said.refusal), refusalName(row.refusal)) << row.url;
    const std::string& shown = row.refusal == Refusal::None ? path : said.text;
    EXPECT_NE(shown.find(row.expected), std::string::npos) << row.url << "\n  said: " << shown;
  }
}

TEST(Diagnosis, ReadSourceFileTakesRegularFilesOnly) {
  Quarn::Testing::ScratchFolder folder;
  const std::string script = folder.write("film.ass", kScript);
  const SourceFile read = readSourceFile(script);
  EXPECT_TRUE(read.readable);
  EXPECT_EQ(read.path, script);
  EXPECT_EQ(read.size, kScript.size());
  EXPECT_EQ(read.bytes, kScript);

  struct Refused {
    std::string path;
    std::string why;
  };
  const Refused refused[] = {
      {folder.path() + "/missing.ass", "No such file or directory"},
      {folder.path(), "Is a directory"},
      {"/dev/null", "not a regular file"},
  };
  for (const Refused& r : refused) {
    const SourceFile file = readSourceFile(r.path);
    EXPECT_FALSE(file.readable) << r.path;
    EXPECT_EQ(file.readError, r.why) << r.path;
  }
}

// The element's user sets properties, not options: the same advice in its
// spelling.
TEST(Diagnosis, AdviceIsSpeltInTheHostsOwnTerms) {
  const std::vector<Row> rows = {
      {"an ignored mark", wide(kScript, 2, false, kLe16Mark), std::nullopt, std::nullopt,
       Refusal::NotUtf8Start, "; try override-embedded=false"},
      {"a mark ignored on request", wide(kScript, 2, false, kLe16Mark), true, std::nullopt,
       Refusal::NotUtf8Start, "ignores with override-embedded=true; try override-embedded=false"},
      {"UTF-16 without a mark", wide(kScript, 2, true), std::nullopt, std::nullopt,
       Refusal::NoEventsSection, "; try codepage=UTF-16BE"},
      {"an unknown code page", kScript, std::nullopt, "no-such-cp", Refusal::UnknownCodePage,
       "codepage=no-such-cp names no code page"},
  };
  for (const Row& row : rows)
    check(row, fileOf(row), kElementProperties);
}

// A code page the host detected is told as such: the user named none.
TEST(Diagnosis, ADetectedCodePageIsToldAsDetected) {
  const std::string notAScript = wide("a note, not a script\r\n", 2, false, kLe16Mark);
  const Explanation said =
      explainFile(sourceFileOf(notAScript), CodePageSettings{{}, std::string("UTF16-LE"), true},
                  kPlayerOptions);
  EXPECT_EQ(said.refusal, Refusal::NoEventsSection);
  EXPECT_NE(said.text.find("decoded as UTF16-LE, which --codepage auto detected, the file holds "
                           "no line of a script"),
            std::string::npos)
      << said.text;
}

}  // namespace
}  // namespace QuarnHost
