// The script parser on its own: line cutting, the three classification
// states, the header text and the entries it makes, on scripts written in
// the tests.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "rules/Fields.h"
#include "ssa/ScriptParser.h"
#include "support/LogCapture.h"

namespace Quarn {
namespace {

struct Entry {
  std::string text;
  std::uint32_t timestamp;
  std::uint32_t duration;
  bool operator==(const Entry& o) const {
    return text == o.text && timestamp == o.timestamp && duration == o.duration;
  }
};
std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "{'" << e.text << "', " << e.timestamp << ", " << e.duration << "}";
}

struct Scan {
  bool ok = false;
  bool hasHeader = false;       // a header object was made
  bool headerHasBlock = false;  // ... with text
  std::string header;           // its text without the zero byte
  std::vector<Entry> entries;   // in file order
};

Scan scan(const std::string& script, bool headerHeld = false) {
  const ParsedScript parsed = parseScript(script, headerHeld);
  Scan result;
  result.ok = parsed.complete;
  EXPECT_EQ(parsed.entries.textSize(), script.size()) << "the text is kept whole";
  for (const EntryRecord& entry : parsed.entries) {
    EXPECT_LE(std::size_t{entry.offset} + entry.length, script.size());
    result.entries.push_back(
        {std::string(reinterpret_cast<const char*>(parsed.entries.bytesOf(entry)), entry.length),
         entry.start, entry.duration});
  }
  EXPECT_EQ(
      std::string(reinterpret_cast<const char*>(parsed.entries.text()), parsed.entries.textSize()),
      script)
      << "the text is never written to";
  if (const TypedMediaBuffer* header = parsed.header.get()) {
    result.hasHeader = true;
    result.headerHasBlock = header->capacity() != 0;
    if (result.headerHasBlock) {
      EXPECT_EQ(header->length(), header->capacity());
      EXPECT_EQ(std::memcmp(header->tag, "SUB \0", 5), 0);
      EXPECT_EQ(header->kind, 4);
      EXPECT_EQ(header->formatCode, 0);
      result.header =
          std::string(reinterpret_cast<const char*>(header->data()), header->length() - 1);
    }
  }
  return result;
}

const std::string kFormat =
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text";
const std::string kHello = "Dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hello, world";

std::string script(const std::string& eol) {
  return "[Script Info]" + eol + "ScriptType: v4.00+" + eol + eol + "[V4+ Styles]" + eol +
         "Format: Name, Fontname, Fontsize" + eol + "Style: Default,Arial,20" + eol + eol +
         "[Events]" + eol + kFormat + eol + kHello + eol +
         "Comment: 0,0:00:02.00,0:00:03.00,Default,,0,0,0,,a note" + eol;
}

TEST(ScriptParser, ReadsAScriptIntoHeaderAndEntries) {
  const Scan s = scan(script("\r\n"));
  ASSERT_TRUE(s.ok);
  const std::string text = script("\r\n");
  EXPECT_EQ(s.header, text.substr(0, text.find(kFormat) + kFormat.size()))
      << "the header ends with the events format line, without its line break";
  EXPECT_EQ(s.entries,
            (std::vector<Entry>{
                {kHello, 1000, 4000},
                {"Comment: 0,0:00:02.00,0:00:03.00,Default,,0,0,0,,a note", 2000, 1000}}));
  EXPECT_EQ(kHello.size() + 1, 63u) << "the payload length of the classic example";
}

TEST(ScriptParser, LineEndsAndBlankLinesDoNotMatter) {
  const Scan crlf = scan(script("\r\n"));
  for (const std::string eol : {"\n", "\r", "\n\r", "\r\n\r\n", "\n\n\n"}) {
    const Scan other = scan(script(eol));
    ASSERT_TRUE(other.ok) << "eol " << eol.size();
    EXPECT_EQ(other.entries, crlf.entries);
    std::string header = other.header;
    for (char& c : header)
      if (c == '\r')
        c = '\n';
    std::string expected = script(eol).substr(0, script(eol).find(kFormat) + kFormat.size());
    for (char& c : expected)
      if (c == '\r')
        c = '\n';
    EXPECT_EQ(header, expected);
  }
  // Blank lines between the header and the format line vanish.
  const Scan spaced = scan("[Events]\r\n\r\n\n\r" + kFormat + "\n\n" + kHello);
  EXPECT_EQ(spaced.entries.size(), 1u);
  EXPECT_EQ(spaced.header, "[Events]\r\n\r\n\n\r" + kFormat);
}

// Breaks are searched for many bytes at a time: one at any offset of a long
// line, either byte, must end it exactly there.
TEST(ScriptParser, ABreakAtAnyOffsetEndsTheLine) {
  const std::string line = kHello + " and more text to run past two blocks";
  for (const char eol : {'\r', '\n'}) {
    for (std::size_t cut = 28; cut <= line.size(); ++cut) {
      const std::string text =
          "[Events]\n" + kFormat + "\n" + line.substr(0, cut) + eol + line.substr(cut);
      const Scan s = scan(text);
      ASSERT_FALSE(s.entries.empty()) << cut;
      EXPECT_EQ(s.entries[0].text, line.substr(0, cut)) << cut;
    }
  }
}

TEST(ScriptParser, LastLineWithoutALineBreak) {
  const Scan s = scan("[Events]\n" + kFormat + "\n" + kHello);
  ASSERT_EQ(s.entries.size(), 1u);
  EXPECT_EQ(s.entries[0].text, kHello);
}

TEST(ScriptParser, FirstEventsLineThatIsNotAFormatLine) {
  // A comment or blanks-only line directly after [Events] is the first
  // events line: a header without text, no columns, no entries.
  for (const std::string first : {"; a comment", "    "}) {
    const Scan s = scan("[Events]\n" + first + "\n" + kFormat + "\n" + kHello + "\n");
    EXPECT_TRUE(s.ok);
    EXPECT_TRUE(s.hasHeader);
    EXPECT_FALSE(s.headerHasBlock);
    EXPECT_TRUE(s.entries.empty());
  }
  // "[Events]" as the last line: no events line at all, so no header.
  const Scan last = scan("[Script Info]\n[Events]\n");
  EXPECT_FALSE(last.hasHeader);
  // A short "Format:" line (8 bytes needed) is not the format line.
  EXPECT_FALSE(scan("[Events]\nFormat:\n" + kHello).headerHasBlock);
}

TEST(ScriptParser, FormatLineColumns) {
  const std::string marked =
      "Format: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text";
  EXPECT_EQ(scan("[Events]\n" + marked + "\n" + kHello).entries,
            (std::vector<Entry>{{kHello, 1000, 4000}}));
  // Other column orders are followed.
  EXPECT_EQ(scan("[Events]\nFormat: End, Layer, Start, Text\n"
                 "Dialogue: 0:00:09.00,0,0:00:04.00,some text here")
                .entries,
            (std::vector<Entry>{{"Dialogue: 0:00:09.00,0,0:00:04.00,some text here", 4000, 5000}}));
  // A lower-case "start" or a missing End: no columns, no entries.
  EXPECT_TRUE(scan("[Events]\nFormat: Layer, start, End, Style, Text\n" + kHello).entries.empty());
  EXPECT_TRUE(
      scan("[Events]\nFormat: Layer, Start, Finish, Style, Text\n" + kHello).entries.empty());
  // A second format line is ignored.
  EXPECT_EQ(
      scan("[Events]\n" + kFormat + "\nFormat: Layer, End, Start, Style, Text, More\n" + kHello)
          .entries[0]
          .timestamp,
      1000u);
}

TEST(ScriptParser, DefaultAssumptionsWithoutAFormatLine) {
  const std::string second = "Dialogue: 0,0:00:06.00,0:00:07.50,Default,,0,0,0,,Two";
  const Scan s = scan("[Script Info]\r\n[Events]\r\n" + kHello + "\r\n" + second + "\r\n");
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.header, "[Script Info]\r\n[Events]\r")
      << "everything before the line but the one break byte before it";
  EXPECT_EQ(s.entries, (std::vector<Entry>{{second, 6000, 1500}}))
      << "the first event line makes the header, not an entry";
}

TEST(ScriptParser, ImpliedEventsSection) {
  // Without [Events] the first format or event line of at least 28 bytes,
  // outside a styles section, opens the events section and is looked at again.
  const Scan formatFirst = scan("[Script Info]\n" + kFormat + "\n" + kHello + "\n");
  EXPECT_EQ(formatFirst.header, "[Script Info]\n" + kFormat);
  EXPECT_EQ(formatFirst.entries.size(), 1u);

  const Scan eventFirst = scan(kHello + "\n" + kHello + "\n");
  EXPECT_TRUE(eventFirst.headerHasBlock);
  EXPECT_EQ(eventFirst.header, "") << "the first line of the text: an empty header";
  EXPECT_EQ(eventFirst.entries.size(), 1u);

  // Inside a styles section the styles format line does not imply events.
  const Scan styled = scan("[V4+ Styles]\n" + kFormat + "\n" + kHello + "\n");
  EXPECT_FALSE(styled.hasHeader);
  // A last line that implies the events section is not examined again.
  const Scan lastLine = scan("[Script Info]\n" + kHello);
  EXPECT_FALSE(lastLine.hasHeader);
  EXPECT_TRUE(lastLine.entries.empty());
}

TEST(ScriptParser, LowerCaseStylesHeaderIsNotASection) {
  // The styles format line then implies the events section, [Events] is no
  // longer recognised, and the styles columns name no Start: nothing.
  const Scan s = scan(
      "[v4+ styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour\n"
      "Style: Default,Arial,20,&H00FFFFFF\n[Events]\n" +
      kFormat + "\n" + kHello + "\n");
  EXPECT_TRUE(s.headerHasBlock);
  EXPECT_TRUE(s.entries.empty());
  // A proper styles header keeps its format line out of the events.
  EXPECT_EQ(scan("[V4 Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour\n[Events]\n" +
                 kFormat + "\n" + kHello)
                .entries.size(),
            1u);
}

TEST(ScriptParser, EventLines) {
  const std::string head = "[Events]\n" + kFormat + "\n";
  // Every event kind becomes an entry; 27-byte lines and other lines do not.
  const std::string lines[] = {
      "Comment: 0,0:00:01.00,0:00:02.00,,,0,0,0,,",  "Picture: 0,0:00:01.00,0:00:02.00,x,,0,0,0,,",
      "Sound: 0,0:00:01.00,0:00:02.00,x,,0,0,0,,",   "Movie: 0,0:00:01.00,0:00:02.00,x,,0,0,0,,",
      "Command: 0,0:00:01.00,0:00:02.00,x,,0,0,0,,",
  };
  for (const std::string& line : lines) {
    const Scan s = scan(head + line);
    ASSERT_EQ(s.entries.size(), 1u) << line;
    EXPECT_EQ(s.entries[0], (Entry{line, 1000, 1000}));
  }
  const std::string shortLine = "Dialogue: 0,0:00:01.00,0:0:2";  // 28 bytes
  ASSERT_EQ(shortLine.size(), 28u);
  EXPECT_EQ(scan(head + shortLine).entries.size(), 1u);
  EXPECT_TRUE(scan(head + shortLine.substr(0, 27)).entries.empty());
  for (const char* other : {"dialogue: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,x",
                            "Dialogue 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,x",
                            "Commentary: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,x",
                            "Movies: 0,0:00:01.00,0:00:05.00,Default,,0,0,0,,x"})
    EXPECT_TRUE(scan(head + other).entries.empty()) << other;
  EXPECT_TRUE(scan(head + "Dialogue: 0,0:00:01.00").entries.empty()) << "too short";
  EXPECT_TRUE(scan(head + "Dialogue: 0;0:00:01.00;0:00:05.00;Default;;0;0;0;;x").entries.empty())
      << "not enough fields for the columns";
}

TEST(ScriptParser, FieldShiftsAndUnreadableTimes) {
  const std::string head = "[Events]\n" + kFormat + "\n";
  // No first field: the end time is read as the start, the style as the end.
  const std::string shifted = "Dialogue:,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hi";
  EXPECT_EQ(scan(head + shifted).entries, (std::vector<Entry>{{shifted, 5000, 0}}));
  const std::string blank = "Dialogue: ,0:00:01.00,0:00:05.00,Default,,0,0,0,,Hi";
  EXPECT_EQ(scan(head + blank).entries, (std::vector<Entry>{{blank, 1000, 4000}}));
  // An end before the start wraps; unreadable fields leave zeros.
  const std::string backwards = "Dialogue: 0,0:00:05.00,0:00:01.00,Default,,0,0,0,,x";
  EXPECT_EQ(scan(head + backwards).entries[0].duration, 0u - 4000u);
  const std::string noStart = "Dialogue: 0,soon,0:00:01.00,Default,,0,0,0,,x";
  EXPECT_EQ(scan(head + noStart).entries[0], (Entry{noStart, 0, 1000}));
  // Override codes, escapes and non-ASCII text pass through untouched.
  const std::string rich =
      "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,{\\i1}Caf\xC3\xA9{\\i0}\\Nline\tend ";
  EXPECT_EQ(scan(head + rich + "\r\n").entries[0].text, rich);
}

TEST(ScriptParser, SectionsAfterTheEventsArePassedOver) {
  const Scan s = scan("[Events]\n" + kFormat + "\n" + kHello + "\n[Fonts]\nfontname: x.ttf\n" +
                      "[Events]\nDialogue: 0,0:00:09.00,0:00:10.00,Default,,0,0,0,,late\n");
  EXPECT_EQ(s.entries.size(), 2u);
}

// Random scripts: every entry is a whole line of the input, entries keep
// file order, and nothing is lost or duplicated.
TEST(ScriptParser, RandomScriptsKeepEveryEventLineOnce) {
  std::mt19937 random(5);
  const char* pieces[] = {"\r\n",
                          "\n",
                          "\r",
                          " ",
                          ",",
                          "Dialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,t",
                          "Comment: 1,0:01:00.00,0:02:00.00,x,y,0,0,0,,u",
                          "[Events]",
                          "Format: ",
                          "Start, End",
                          "0:00:03.5",
                          "{\\b1}",
                          "x"};
  for (int round = 0; round < 300; ++round) {
    std::string text = "[Events]\n" + kFormat + "\n";
    const int count = static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i)
      text += pieces[random() % (sizeof pieces / sizeof *pieces)];
    const Scan s = scan(text);
    ASSERT_TRUE(s.ok);
    auto isBreak = [&](std::size_t i) { return text[i] == '\r' || text[i] == '\n'; };
    std::size_t searchFrom = 0;
    for (const Entry& e : s.entries) {
      // The next occurrence after the previous entry that is a whole line.
      std::size_t at = text.find(e.text, searchFrom);
      while (at != std::string::npos &&
             !((at == 0 || isBreak(at - 1)) &&
               (at + e.text.size() == text.size() || isBreak(at + e.text.size()))))
        at = text.find(e.text, at + 1);
      ASSERT_NE(at, std::string::npos) << "each entry is a whole line, in file order";
      EXPECT_GE(e.text.size(), 28u);
      searchFrom = at + e.text.size();
    }
    // Nothing lost: every event line after the format line with fields for
    // both columns is an entry.
    std::size_t expected = 0;
    std::vector<std::string_view> fields;
    std::size_t lineStart = 0;
    int lineNumber = 0;
    while (lineStart < text.size()) {
      std::size_t lineEnd = lineStart;
      while (lineEnd < text.size() && !isBreak(lineEnd))
        ++lineEnd;
      const std::string_view line(text.data() + lineStart, lineEnd - lineStart);
      if (!line.empty() && ++lineNumber > 2 && line.size() >= 28 &&
          (line.rfind("Dialogue:", 0) == 0 || line.rfind("Comment:", 0) == 0)) {
        tokenize(line.substr(line.find(':') + 1), ",", fields);
        expected += fields.size() >= 3;
      }
      lineStart = lineEnd + 1;
    }
    EXPECT_EQ(s.entries.size(), expected);
  }
}

// A header still held from an earlier open is not replaced, and as only a
// new header brings columns, no event line can be read.
TEST(ScriptParser, AHeaderStillHeldLeavesTheColumnsUnknown) {
  const Scan s = scan(script("\r\n"), true);
  EXPECT_TRUE(s.ok);
  EXPECT_FALSE(s.hasHeader);
  EXPECT_TRUE(s.entries.empty());
}

// The messages logged while parsing `script`, checking their category and
// the operation they name.
std::vector<std::string> logged(const std::string& script, bool headerHeld = false) {
  Testing::LogCapture log;
  scan(script, headerHeld);
  std::vector<std::string> messages;
  for (const Testing::LogLine& line : log.lines()) {
    EXPECT_EQ(line.category, "Container");
    EXPECT_EQ(line.function, "Quarn::SSAContainer::open");
    messages.push_back(line.message);
  }
  return messages;
}

std::vector<std::string> concat(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

TEST(ScriptParser, LogLines) {
  if (!Testing::LogCapture::available())
    GTEST_SKIP() << "no logging library beside the tests";
  const std::string text =
      "[Script Info]\r\n[V4+ Styles]\r\n[Events]\r\n" + kFormat + "\r\n" + kHello + "\r\n";
  const std::vector<std::string> preamble = {
      "Got line 0:13-13 '[Script Info]'",
      "Got line 15:27-12 '[V4+ Styles]'",
      "**Found style tag",
      "Got line 29:37-8 '[Events]'",
      "**Found events tag",
      "Got line 39:118-79 '" + kFormat + "'",
  };
  const std::vector<std::string> formatLine = {"**found event format tag", "**got start pos: 1",
                                               "**got end pos: 2"};
  const std::vector<std::string> entry = {" len: 62 '" + kHello + "'",
                                          "***start time: 1000, duration: 4000"};
  const std::string helloAt120 = "Got line 120:182-62 '" + kHello + "'";

  EXPECT_EQ(logged(text),
            concat(concat(preamble, formatLine), concat({helloAt120, "**parsing event"}, entry)));
  EXPECT_EQ(logged(text, true), concat(preamble, {helloAt120, "**parsing event"}))
      << "with a header held the format line is passed over";
  // An implied events section: its first line is logged twice.
  const std::string formatAt0 = "Got line 0:79-79 '" + kFormat + "'";
  EXPECT_EQ(logged(kFormat + "\n" + kHello),
            concat(concat({formatAt0, "**Found implied events tag", formatAt0}, formatLine),
                   concat({"Got line 80:142-62 '" + kHello + "'", "**parsing event"}, entry)));
}

}  // namespace
}  // namespace Quarn
