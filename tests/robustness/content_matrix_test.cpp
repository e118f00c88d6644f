// Bad contents of files named *.ass, opened through the container face, one
// row each: the bytes, the host's code-page answers and the outcome. That is
// the exact result, the entries served (compared as a set, since entries
// that start together come out in no fixed order), the header where it
// tells, and for the text reader's refusals the one line it logs. No row
// leaves a stream behind, and the sanitizer run checks that nothing leaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "robustness/MatrixSupport.h"
#include "support/LogCapture.h"
#include "text/ParserUtilities.h"
#include "text/TempFolder.h"

namespace Quarn::Testing::Matrix {
namespace {

const std::string kFormatLine =
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text";
const std::string kEventsHead = "[Events]\r\n" + kFormatLine + "\r\n";

std::string dialogue(const std::string& start, const std::string& end, const std::string& text) {
  return "Dialogue: 0," + start + "," + end + ",Default,,0,0,0,," + text;
}

// Seeded, so every run reads the same noise.
std::string noise(std::size_t length) {
  std::mt19937 random(0x5EED);
  std::string bytes(length, '\0');
  for (char& byte : bytes)
    byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string repeated(const std::string& piece, std::size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i)
    text += piece;
  return text;
}

// ASCII text as UTF-16, little or big end first.
std::string utf16(const std::string& ascii, bool little) {
  std::string bytes;
  for (char c : ascii)
    bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
  return bytes;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The messages the text reader logged.
std::vector<std::string> readerMessages(const LogCapture& log) {
  std::vector<std::string> messages;
  for (const LogLine& line : log.lines()) {
    if (line.category == "Utilities" && line.function == "Quarn::ParserUtilities::readTextFile")
      messages.push_back(line.message);
  }
  return messages;
}

enum class CodePage {
  Default,     // the host answers neither setting
  MarkCounts,  // OverrideEmbedded false: a byte-order mark names the encoding
  Unknown,     // Name "no-such-charset"
};

struct ContentRow {
  std::string name;  // the file's name
  std::string bytes;
  CodePage codePage;
  Result expected;
  std::vector<Entry> entries;         // served when opened
  std::optional<std::string> header;  // when given, the header's whole text
  std::string refusal;                // when given, the reader's line; {path} the path
};

// The three kinds of row: refused by the text reader with a line of its own,
// read but holding no entry, and opened.
ContentRow refused(std::string name, std::string bytes, CodePage codePage, std::string line) {
  return {std::move(name), std::move(bytes), codePage, ResultFailed, {}, {}, std::move(line)};
}
ContentRow noEntries(std::string name, std::string bytes) {
  return {std::move(name), std::move(bytes), CodePage::Default, ResultFailed, {}, {}, {}};
}
ContentRow opened(std::string name, std::string bytes, CodePage codePage,
                  std::vector<Entry> entries, std::optional<std::string> header = {}) {
  return {std::move(name),    std::move(bytes),  codePage, ResultOk,
          std::move(entries), std::move(header), {}};
}

class ContentMatrix : public ::testing::Test {
 protected:
  void check(const ContentRow& row) const;

  TempFolder folder;
};

void ContentMatrix::check(const ContentRow& row) const {
  SCOPED_TRACE(row.name);
  const std::string path = folder.write(row.name, row.bytes);
  HostedContainer hosted;
  if (row.codePage == CodePage::MarkCounts)
    hosted.host.setBoolean("OverrideEmbedded", false);
  if (row.codePage == CodePage::Unknown)
    hosted.host.setText("Name", "no-such-charset");

  {
    // Logging only where a line is expected: it slows every parse down.
    std::optional<LogCapture> log;
    if (!row.refusal.empty() && LogCapture::available())
      log.emplace();
    const Result result = hosted.open("file://" + path);
    EXPECT_EQ(std::string(resultName(result)), resultName(row.expected));
    if (log.has_value()) {
      EXPECT_EQ(readerMessages(*log),
                std::vector<std::string>{replaced(row.refusal, "{path}", path)});
    }
  }
  std::remove(path.c_str());

  EXPECT_EQ(hosted.selectProgram(), ResultOk);
  StreamInterface* stream = hosted.host.lastOffered();
  if (row.expected != ResultOk) {
    EXPECT_EQ(stream, nullptr) << "nothing offered after a failure";
    return;
  }
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(hosted.host.addedStreams.size(), 1u);
  std::vector<Entry> served = hosted.readAll(*stream);
  std::vector<Entry> expected = row.entries;
  std::sort(served.begin(), served.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(served, expected);
  if (row.header.has_value()) {
    List<MediaBuffer*> headers;
    EXPECT_TRUE(stream->takeHeader(headers));
    EXPECT_EQ(freeTakenHeaders(headers), *row.header);
  }
}

const std::string kSevenBitScript =  // only characters UTF-7 writes as themselves
    "[Script Info]\r\nTitle: seven\r\n\r\n" + kEventsHead +
    dialogue("0:00:01.00", "0:00:02.00", "plain words") + "\r\n";
const std::string kSevenBitHeader =
    "[Script Info]\r\nTitle: seven\r\n\r\n[Events]\r\n" + kFormatLine;
const std::vector<Entry> kSevenBitEntries = {
    {1000, 1000, dialogue("0:00:01.00", "0:00:02.00", "plain words")}};
const std::string kZeroInside("be\0fore", 7);
const std::string kIllFormed = "\xC0\xAF \xED\xA0\x80 \xFF \xE2\x82";

std::string onlyMark(const std::string& encoding) {
  return "Refused {path}: the file holds only a " + encoding + " byte-order mark";
}

TEST_F(ContentMatrix, EachContentHasItsOutcome) {
  const CodePage D = CodePage::Default;
  const CodePage M = CodePage::MarkCounts;
  const std::vector<ContentRow> rows = {
      // Nothing to read, or nothing that makes an events section.
      refused("empty.ass", "", D, "Refused {path}: the file is empty"),
      noEntries("breaks.ass", "\r\n\n\r\r\n\n\n"),
      noEntries("noise.ass", noise(1 << 16)),
      noEntries("noise-after-a-letter.ass", "A" + noise(1 << 16)),
      noEntries("million-lines.ass", kEventsHead + repeated("x\n", 1000000)),

      // Malformed events: lines too short for an event or without the time
      // fields are ignored; a time that cannot be read counts as 0.
      noEntries("short-and-fieldless.ass",
                kEventsHead + "Dialogue: 0,0:00:01.00\r\nComment: 0,0:00:01.00,0:00\r\n" +
                    "Dialogue:no-fields-in-this-line-at-all\r\n" +
                    "Dialogue: 0;0:00:01.00;0:00:02.00;Default;;0;0;0;;semicolons\r\n" +
                    "Dialogue: 0,0:00:01.00 and the end field missing\r\n"),
      opened("unreadable-times.ass",
             kEventsHead + "Dialogue: 0,0:00:01.00\r\nDialogue:no-fields-in-this-line-at-all\r\n" +
                 dialogue("never", "later", "neither") + "\r\n" +
                 dialogue("0:00:03.00", "soon", "no end") + "\r\n" +
                 dialogue("1:2:3", "0:00:02.00", "no start") + "\r\n",
             D,
             {{0, 0, dialogue("never", "later", "neither")},
              {0, 2000, dialogue("1:2:3", "0:00:02.00", "no start")},
              {3000, 0, dialogue("0:00:03.00", "soon", "no end")}}),

      // Bytes the reader does not judge reach the entry as they are: a zero
      // byte inside a line, and ill-formed UTF-8 after a well-formed first
      // character (in the header as in the entries).
      opened("zero-byte.ass",
             kEventsHead + dialogue("0:00:01.00", "0:00:02.00", kZeroInside) + "\r\n", D,
             {{1000, 1000, dialogue("0:00:01.00", "0:00:02.00", kZeroInside)}}),
      opened("ill-formed-later.ass",
             "[Script Info]\r\nTitle: \xC0\xAF\xFF\r\n" + kEventsHead +
                 dialogue("0:00:01.00", "0:00:02.00", kIllFormed) + "\r\n",
             D, {{1000, 1000, dialogue("0:00:01.00", "0:00:02.00", kIllFormed)}},
             "[Script Info]\r\nTitle: \xC0\xAF\xFF\r\n[Events]\r\n" + kFormatLine),

      // A byte-order mark with nothing after it, each encoding, with the
      // host letting the mark count: no text, refused and logged.
      refused("mark-utf8.ass", "\xEF\xBB\xBF", M, onlyMark("UTF8")),
      refused("mark-utf16le.ass", "\xFF\xFE", M, onlyMark("UTF16-LE")),
      refused("mark-utf16be.ass", "\xFE\xFF", M, onlyMark("UTF16-BE")),
      refused("mark-utf32le.ass", std::string("\xFF\xFE\0\0", 4), M, onlyMark("UTF32-LE")),
      refused("mark-utf32be.ass", std::string("\0\0\xFE\xFF", 4), M, onlyMark("UTF32-BE")),
      refused("mark-utf7.ass", "+/v8", M, onlyMark("UTF7")),
      refused("mark-scsu.ass", "\x0E\xFE\xFF", M, onlyMark("SCSU")),
      refused("mark-bocu1.ass", "\xFB\xEE\x28", M, onlyMark("BOCU-1")),
      refused("mark-gb18030.ass", "\x84\x31\x95\x33", M, onlyMark("GB-18030")),

      // Encodings the reader cannot or will not decode, and decoded text that
      // ends at its first character (converted text ends at a zero).
      refused("unknown-code-page.ass", kGoodScript, CodePage::Unknown,
              "Refused {path}: no converter for no-such-charset"),
      refused("utf16-mark-ignored.ass", "\xFF\xFE" + utf16(kGoodScript, true), D,
              "Refused {path}: the text does not begin with a well-formed UTF-8 character"),
      refused("utf16-zero-first.ass", "\xFE\xFF" + std::string(2, '\0') + utf16(kGoodScript, false),
              M, "Refused {path}: no text once decoded as UTF16-BE"),
      refused("utf7-mark-run-closed.ass", "+/v8-", M,
              "Refused {path}: no text once decoded as UTF7"),

      // The UTF-7 mark is the start of a base64 run that may go on into the
      // text: "+/v8A6Q-" is U+FEFF then U+00E9, "+/v8-" U+FEFF alone. The
      // mark is dropped and everything after it decoded as it stands.
      opened("utf7-shared-run.ass", "+/v8A6Q-" + kSevenBitScript, M, kSevenBitEntries,
             "\xC3\xA9" + kSevenBitHeader),
      opened("utf7-closed-run.ass", "+/v8-" + kSevenBitScript, M, kSevenBitEntries,
             kSevenBitHeader),

      // Odd but documented, and kept: a mark counts only when the host says
      // so; a comment right after "[Events]" leaves no columns known; without
      // a format line the first event line is the header's end; an end
      // before the start wraps the duration.
      opened("utf8-mark-counted.ass", "\xEF\xBB\xBF" + kGoodScript, M, goodScriptEntries(),
             goodScriptHeader()),
      opened("utf8-mark-passed.ass", "\xEF\xBB\xBF" + kGoodScript, D, goodScriptEntries(),
             "\xEF\xBB\xBF" + goodScriptHeader()),
      noEntries("comment-after-events.ass",
                "[Events]\r\n; a comment\r\n" + kFormatLine + "\r\n" +
                    dialogue("0:00:01.00", "0:00:02.00", "never an entry") + "\r\n"),
      opened("no-format-line.ass",
             "[Events]\r\n" + dialogue("0:00:01.00", "0:00:02.00", "ends the header") + "\r\n" +
                 dialogue("0:00:03.00", "0:00:04.00", "the one entry") + "\r\n",
             D, {{3000, 1000, dialogue("0:00:03.00", "0:00:04.00", "the one entry")}},
             "[Events]\r"),
      opened("end-before-start.ass",
             kEventsHead + dialogue("0:00:05.00", "0:00:02.00", "backwards") + "\r\n", D,
             {{5000, 4294964296u, dialogue("0:00:05.00", "0:00:02.00", "backwards")}}),
  };
  if (!LogCapture::available())
    RecordProperty("logChecks", "skipped: no logging library was found");
  for (const ContentRow& row : rows)
    check(row);
}

// Made once and written in pieces: the test itself never holds the 100 MB.
TEST_F(ContentMatrix, HundredMegabyteLine) {
  const std::string path = (folder.path() / "one-line.ass").string();
  {
    std::ofstream out(path, std::ios::binary);
    out << "Title: ";
    const std::string piece(1 << 20, 'x');
    for (int i = 0; i < 100; ++i)
      out << piece;
  }
  HostedContainer hosted;
  EXPECT_EQ(std::string(resultName(hosted.open("file://" + path))), "ResultFailed") << "no events";
  EXPECT_EQ(hosted.selectProgram(), ResultOk);
  EXPECT_TRUE(hosted.host.addedStreams.empty());
}

// Without the converter library every conversion is refused, and only
// conversions: a host's name or a counted mark asks for one, plain bytes
// pass through.
TEST_F(ContentMatrix, ConverterLibraryAbsent) {
  const KVDSOLD::UCNVLibrary absent(
      std::vector<KVDSOLD::LibraryCandidate>{{"/nonexistent/libicuuc.so.1", "_1"}});
  struct Row {
    std::string name;
    std::string bytes;
    CodePage codePage;
    const char* setting;  // the host's Name answer, or null
    const char* refusal;  // the reader's line, or null when the text is read
  };
  const Row rows[] = {
      {"named.ass", "caf\xE9", CodePage::Default, "windows-1252",
       "Refused {path}: no converter library to decode windows-1252"},
      {"marked.ass", "\xEF\xBB\xBF" + kGoodScript, CodePage::MarkCounts, nullptr,
       "Refused {path}: no converter library to decode UTF8"},
      {"plain.ass", kGoodScript, CodePage::MarkCounts, nullptr, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = folder.write(row.name, row.bytes);
    FakeContainerHost host;
    if (row.codePage == CodePage::MarkCounts)
      host.setBoolean("OverrideEmbedded", false);
    if (row.setting != nullptr)
      host.setText("Name", row.setting);
    std::optional<LogCapture> log;
    if (LogCapture::available())
      log.emplace();
    String<unsigned char> out("kept");
    const bool read = ParserUtilities::readTextFile(String<unsigned char>(path.c_str()), &host,
                                                    &out, -1, &absent);
    EXPECT_EQ(read, row.refusal == nullptr);
    EXPECT_EQ(out.toStdString(), row.refusal == nullptr ? row.bytes : "kept")
        << "a refusal leaves the output as it was";
    if (log.has_value()) {
      EXPECT_EQ(readerMessages(*log), row.refusal == nullptr ? std::vector<std::string>{}
                                                             : std::vector<std::string>{replaced(
                                                                   row.refusal, "{path}", path)});
    }
  }
}

}  // namespace
}  // namespace Quarn::Testing::Matrix
