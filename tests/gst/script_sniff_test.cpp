// The typefinder's judgement of a file's first bytes: which scripts it
// claims, in which encodings, ASS or SSA, and what it leaves to GStreamer's
// own typefinders.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ScriptSniff.h"

namespace QuarnGst {
namespace {

// A literal's bytes, zero bytes included.
template <std::size_t N>
std::string raw(const char (&bytes)[N]) {
  return std::string(bytes, N - 1);
}

// The text (ASCII or Latin-1) in UTF-16 or UTF-32, without a mark.
std::string widen(const std::string& text, unsigned width, bool bigEndian) {
  std::string out;
  for (unsigned char c : text) {
    std::string unit(width, '\0');
    unit[bigEndian ? width - 1 : 0] = static_cast<char>(c);
    out += unit;
  }
  return out;
}
std::string utf16le(const std::string& text) {
  return widen(text, 2, false);
}
std::string utf16be(const std::string& text) {
  return widen(text, 2, true);
}

// "ass/ENCODING", "ssa/ENCODING" or "-" when the bytes are not claimed.
std::string sniff(const std::string& bytes) {
  const auto result =
      sniffScript(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  if (!result)
    return "-";
  return std::string(result->variant == ScriptVariant::Ass ? "ass/" : "ssa/") +
         std::string(result->encoding);
}

const std::string kAss =
    "[Script Info]\r\nTitle: Caf\xE9\r\nScriptType: v4.00+\r\n\r\n[V4+ Styles]\r\n"
    "Format: Name, Fontname\r\nStyle: Default,Sans\r\n\r\n[Events]\r\n"
    "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n"
    "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Hello\r\n";
const std::string kSsa =
    "[Script Info]\nScriptType: v4.00\n\n[V4 Styles]\nFormat: Name, Fontname\n\n[Events]\n"
    "Format: Marked, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
    "Dialogue: Marked=0,0:00:01.00,0:00:02.00,Default,,0000,0000,0000,,Hello\n";
const std::string kSrt =
    "1\r\n00:00:01,000 --> 00:00:02,000\r\n[Script Info] is not a script here\r\n\r\n";

struct Row {
  const char* what;
  std::string bytes;
  const char* expected;
};

TEST(ScriptSniff, ClaimsScriptsInEveryEncodingThePlugInReads) {
  const std::vector<Row> rows = {
      // ASS or SSA by the element's rule, which the block convention's tests
      // hold to every way of writing it.
      {"ASS", kAss, "ass/"},
      {"SSA v4", kSsa, "ssa/"},
      {"[Events] first, v4.00+ styles later", "[Events]\r\n[V4+ Styles]\r\n", "ass/"},
      {"the header line as the whole file", "[Script Info]", "ssa/"},
      // Blank lines, and lines of spaces and tabs alone, before the header.
      {"blank lines first", "\r\n\n \t\r\n\t\n[Script Info]\nScriptType: v4.00+\n", "ass/"},
      // Each mark the plug-in knows, where the header can be read after it.
      {"UTF-8 mark", "\xEF\xBB\xBF" + kAss, "ass/UTF8"},
      {"UTF-8 mark and a blank line", "\xEF\xBB\xBF\r\n" + kSsa, "ssa/UTF8"},
      {"UTF-16 LE mark", "\xFF\xFE" + utf16le(kAss), "ass/UTF16-LE"},
      {"UTF-16 BE mark", "\xFE\xFF" + utf16be(kSsa), "ssa/UTF16-BE"},
      {"UTF-32 LE mark", raw("\xFF\xFE\0\0") + widen(kAss, 4, false), "ass/UTF32-LE"},
      {"UTF-32 BE mark", raw("\0\0\xFE\xFF") + widen(kSsa, 4, true), "ssa/UTF32-BE"},
      {"GB 18030 mark", "\x84\x31\x95\x33" + kAss, "ass/GB-18030"},
      {"SCSU mark", "\x0E\xFE\xFF" + kSsa, "ssa/SCSU"},
      {"UTF-7 mark closed by '-'", "+/v8-" + kAss, "ass/UTF7"},
      {"UTF-7 mark ended by the header", "+/v8" + kSsa, "ssa/UTF7"},
      // UTF-16 without a mark, which the plug-in reads when told its code page.
      {"UTF-16 LE, no mark", utf16le(kAss), "ass/UTF16-LE"},
      {"UTF-16 BE, no mark", utf16be(kSsa), "ssa/UTF16-BE"},
      {"UTF-16 LE, no mark, blank line first", utf16le("\r\n" + kAss), "ass/UTF16-LE"},
      // A UTF-16 code unit cut at the end of the sniffed bytes.
      {"UTF-16 LE, odd length", "\xFF\xFE" + utf16le(kAss) + "D", "ass/UTF16-LE"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(sniff(row.bytes), row.expected) << row.what;
}

TEST(ScriptSniff, LeavesEverythingElseToTheOtherTypefinders) {
  std::mt19937 random(20240607);
  std::string noise(kSniffLength, '\0');
  for (char& byte : noise)
    byte = static_cast<char>(random());
  const std::vector<Row> rows = {
      {"empty", "", "-"},
      {"a UTF-8 mark alone", "\xEF\xBB\xBF", "-"},
      {"a UTF-16 LE mark alone", "\xFF\xFE", "-"},
      {"the header cut short", "[Script Inf", "-"},
      {"SubRip", kSrt, "-"},
      {"SubRip in UTF-16 LE", "\xFF\xFE" + utf16le(kSrt), "-"},
      {"WebVTT", "WEBVTT\n\n00:00.000 --> 00:01.000\n[Events]\n", "-"},
      {"plain text", "Shopping list\n[Events] on Friday\n", "-"},
      {"plain text in UTF-16 LE, no mark", utf16le("Dear Ann,\n"), "-"},
      // The reader matches section lines in this case only, and at the
      // start of the line; neither would be taken for a section by it.
      {"the header in lower case", "[script info]\nScriptType: v4.00+\n", "-"},
      {"the header indented", "  [Script Info]\nScriptType: v4.00+\n", "-"},
      {"the header after other text", "; made by hand\n" + kAss, "-"},
      // The reader also takes event lines with no section before them, but
      // so would it many logs and notes: such files are not claimed.
      {"event lines alone", "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Hello\n", "-"},
      {"a header followed by binary data", raw("[Events]\n\x01\x02\0\0\x7F"), "-"},
      {"UTF-32 LE without a mark", widen(kAss, 4, false), "-"},
      {"UTF-7 mark holding bits of the text", "+/v9" + kAss, "-"},
      {"BOCU-1 mark", "\xFB\xEE\x28" + kAss, "-"},
      {"random bytes", noise, "-"},
      {"an MP4 header",
       raw("\0\0\0\x20"
           "ftypisom\0\0\x02\0isomiso2avc1mp41\0\0\0\x08"
           "free"),
       "-"},
      {"a WebM header",
       raw("\x1A\x45\xDF\xA3\x9F\x42\x86\x81\x01\x42\xF7\x81\x01\x42\xF2\x81\x04"
           "\x42\xF3\x81\x08\x42\x82\x84webm\x42\x87\x81\x04\x42\x85\x81\x02"),
       "-"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(sniff(row.bytes), row.expected) << row.what;
}

}  // namespace
}  // namespace QuarnGst
