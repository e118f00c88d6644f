// The player's explanation of a refused local file: one row per cause, in
// the order the plug-in meets them, and rows where the file shows no cause.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Diagnosis.h"
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
  /// A part of the explanation that names the cause and the way round it;
  /// empty when nothing is to be said.
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
  const std::string said =
      diagnoseOpenFailure(file, CodePageSettings{row.overrideEmbedded, row.codepage}, names);
  if (row.expected.empty())
    EXPECT_EQ(said, "") << row.what;
  else
    EXPECT_NE(said.find(row.expected), std::string::npos) << row.what << "\n  said: " << said;
  EXPECT_EQ(said.find('\n'), std::string::npos) << row.what << ": one line";
}

TEST(Diagnosis, NamesAndFilesTheContainerRefusesBeforeReading) {
  const std::string byName = "does not end in .ass or .ssa (in lower case)";
  const Row rows[] = {
      {"a path that is not UTF-8",
       kScript,
       {},
       {},
       "path is not well-formed UTF-8",
       "/scripts/caf\xE9.ass"},
      {"a text file", kScript, {}, {}, byName, "/scripts/film.txt"},
      {"an upper-case extension", kScript, {}, {}, byName, "/scripts/FILM.ASS"},
      {"the extension is not last", kScript, {}, {}, byName, "/scripts/film.ass.bak"},
      {"no dot in the name", kScript, {}, {}, byName, "/scripts.d/film"},
      {"empty", "", {}, {}, "the file is empty"},
      {"a .ssa name", kScript, {}, {}, "", "/scripts/film.ssa"},
  };
  for (const Row& row : rows)
    check(row, fileOf(row));

  SourceFile missing;
  missing.path = "/scripts/film.ass";
  missing.readError = "No such file or directory";
  check({"unreadable", "", {}, {}, "cannot read /scripts/film.ass: No such file or directory"},
        missing);
  // Too large for the plug-in: only the size is known.
  SourceFile large;
  large.path = "/scripts/film.ass";
  large.readable = true;
  large.size = kLargestScript + 1;
  check({"too large", "", {}, {}, "the file is 2147483647 bytes, more than the 2147483646"}, large);
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
       "UTF-16 LE byte-order mark, " + tryIt},
      {"UTF-16 BE, answered true",
       wide(kScript, 2, true, kBe16Mark),
       true,
       {},
       "UTF-16 BE byte-order mark, which the plug-in ignores with --override-embedded true; try "
       "--override-embedded false"},
      // UTF-16 LE's mark is a prefix of UTF-32 LE's: the longer one is meant.
      {"UTF-32 LE", wide(kScript, 4, false, kLe32Mark), {}, {}, "UTF-32 LE byte-order mark"},
      {"UTF-32 BE", wide(kScript, 4, true, kBe32Mark), {}, {}, "UTF-32 BE byte-order mark"},
      {"UTF-16 LE, a code page named",
       wide(kScript, 2, false, kLe16Mark),
       {},
       "windows-1252",
       "UTF-16 LE byte-order mark"},
      {"UTF-7, not decoded here", "+/v8" + kScript, {}, {}, "UTF-7 byte-order mark"},
      {"GB 18030", "\x84\x31\x95\x33" + kScript, {}, {}, "GB 18030 byte-order mark"},
      // A UTF-8 mark read as text is in the way only of a first line that counts.
      {"UTF-8 before an implied events section",
       kUtf8Mark + kFormat + kEvent,
       {},
       {},
       "UTF-8 byte-order mark, " + tryIt},
      {"UTF-8 before a script that lacks events anyway",
       kUtf8Mark + kNoEvents,
       {},
       {},
       "holds no event lines"},
      // Decoded by its mark the script still has nothing to read: that is said.
      {"UTF-16 LE without events, no answer",
       wide(kNoEvents, 2, false, kLe16Mark),
       {},
       {},
       "holds no event lines"},
      {"UTF-16 LE without events, mark counted",
       wide(kNoEvents, 2, false, kLe16Mark),
       false,
       {},
       "holds no event lines"},
      {"nothing but the mark, counted",
       kLe16Mark,
       false,
       {},
       "holds nothing but a UTF-16 LE byte-order mark"},
      // Counted, the mark would leave nothing either.
      {"nothing but the mark, ignored", kLe16Mark, {}, {}, "holds no event lines"},
      // Readable as the plug-in was told to read it: nothing the file shows.
      {"UTF-16 LE, mark counted", wide(kScript, 2, false, kLe16Mark), false, {}, ""},
      {"UTF-7, mark counted", "+/v8" + kScript, false, {}, ""},
  };
  for (const Row& row : rows)
    check(row, fileOf(row));
}

TEST(Diagnosis, Utf16WithoutAMarkSuggestsTheCodePageOfItsOrder) {
  const Row rows[] = {
      {"little-endian",
       wide(kScript, 2, false),
       {},
       {},
       "looks like UTF-16 LE without a byte-order mark; try --codepage UTF-16LE"},
      {"big-endian",
       wide(kScript, 2, true),
       {},
       {},
       "looks like UTF-16 BE without a byte-order mark; try --codepage UTF-16BE"},
      {"the wrong code page named",
       wide(kScript, 2, false),
       {},
       "windows-1252",
       "try --codepage UTF-16LE"},
      {"the wrong order named", wide(kScript, 2, true), {}, "UTF-16LE", "try --codepage UTF-16BE"},
      // Named already, however it is spelt: what is left is the script.
      {"named, without events", wide(kNoEvents, 2, false), {}, "utf_16le", "holds no event lines"},
      {"named, readable", wide(kScript, 2, false), {}, "UTF-16LE", ""},
      // Too short to tell.
      {"six bytes", std::string("a\0b\0c\0", 6), {}, {}, "holds no event lines"},
  };
  for (const Row& row : rows)
    check(row, fileOf(row));
}

TEST(Diagnosis, ScriptsWithoutAnEventThePluginReads) {
  const Row rows[] = {
      {"a header only", kNoEvents, {}, {}, "the script holds no event lines"},
      {"an event line under 28 bytes",
       kHeader + "[Events]\r\n" + kFormat + "Dialogue: 0,0:00:01.00\r\n",
       {},
       {},
       "the script holds no event lines"},
      {"events after styles, no section line",
       kHeader + kFormat + kEvent,
       {},
       {},
       "are not in its events section"},
      {"a section line spelt otherwise",
       kHeader + "[events]\r\n" + kFormat + kEvent,
       {},
       {},
       "are not in its events section"},
      {"events only before the section",
       kHeader + kEvent + "[Events]\r\n" + kFormat,
       {},
       {},
       "are not in its events section"},
      {"a section opened by a comment",
       kHeader + "[Events]\r\n; timed by hand\r\n" + kFormat + kEvent,
       {},
       {},
       "first line of the [Events] section is neither a Format: line nor an event line"},
      {"one event and no format line",
       kHeader + "[Events]\r\n" + kEvent,
       {},
       {},
       "only event line opens its events section"},
      {"no Start column",
       kHeader + "[Events]\r\nFormat: Layer, Begin, End, Text\r\n" + kEvent,
       {},
       {},
       "names no Start or no End column"},
      {"columns are case-sensitive",
       kHeader + "[Events]\r\nFormat: Layer, start, end, Text\r\n" + kEvent,
       {},
       {},
       "names no Start or no End column"},
      // Empty fields do not count: three fields where six are needed.
      {"too few fields",
       kHeader + "[Events]\r\nFormat: A, B, C, D, Start, End\r\nDialogue: "
                 "0,,,,,0:00:01.00,0:00:02.00\r\n",
       {},
       {},
       "no event line has as many fields"},
      {"a legacy code page keeps ASCII", kNoEvents, {}, "windows-1252", "holds no event lines"},
      // Nothing wrong that the file shows.
      {"a good script", kScript, {}, {}, ""},
      {"an implied events section", kFormat + kEvent, {}, {}, ""},
      {"lone LF and blank lines",
       "[Events]\n\n\n" + kFormat.substr(0, kFormat.size() - 2) + "\n" + kEvent,
       {},
       {},
       ""},
      {"a good script in a legacy code page", kScript, {}, "windows-1252", ""},
      // A converter the player does not follow: nothing is guessed.
      {"UTF-16 with its order left open", kNoEvents, {}, "UTF-16", ""},
  };
  for (const Row& row : rows)
    check(row, fileOf(row));
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
       "; try override-embedded=false"},
      {"a mark ignored on request", wide(kScript, 2, false, kLe16Mark), true, std::nullopt,
       "ignores with override-embedded=true; try override-embedded=false"},
      {"UTF-16 without a mark", wide(kScript, 2, true), std::nullopt, std::nullopt,
       "; try codepage=UTF-16BE"},
  };
  for (const Row& row : rows)
    check(row, fileOf(row), kElementProperties);
}

}  // namespace
}  // namespace QuarnHost
