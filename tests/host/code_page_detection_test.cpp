// What a host asked to detect code pages answers: nothing for UTF-8 and for
// marks the plug-in follows, a mark's own encoding where it is ignored, and
// ICU's guess only when it is confident.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "CodePageDetection.h"
#include "IcuText.h"

namespace QuarnHost {
namespace {

using Basis = CodePageDetection::Basis;

const std::string kEvents =
    "[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, "
    "Text\r\n";

// Three lines of Russian in windows-1251 ("Привет, как дела?" and so on).
const std::string kCyrillic = kEvents +
                              "Dialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,"
                              "\xCF\xF0\xE8\xE2\xE5\xF2, \xEA\xE0\xEA \xE4\xE5\xEB\xE0?\r\n"
                              "Dialogue: 0,0:00:03.00,0:00:04.00,Default,,0,0,0,,"
                              "\xDF \xED\xE5 \xE7\xED\xE0\xFE, \xF7\xF2\xEE "
                              "\xF1\xEA\xE0\xE7\xE0\xF2\xFC.\r\n"
                              "Dialogue: 0,0:00:05.00,0:00:06.00,Default,,0,0,0,,"
                              "\xCF\xEE\xE9\xE4\xB8\xEC \xE4\xEE\xEC\xEE\xE9, \xF3\xE6\xE5 "
                              "\xEF\xEE\xE7\xE4\xED\xEE.\r\n";

// Japanese in Shift_JIS: "こんにちは、元気ですか？", five times.
std::string shiftJis() {
  std::string text = kEvents;
  for (int i = 0; i < 5; ++i)
    text +=
        "Dialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd"
        "\x81\x41\x8c\xb3\x8b\x43\x82\xc5\x82\xb7\x82\xa9\x81\x48\r\n";
  return text;
}

TEST(DetectCodePage, AnswersOnlyWhatTheFileShows) {
  const std::string utf8 = kEvents + "Dialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,Ol\xC3\xA1\r\n";
  // "[E" in UTF-16 LE after its mark.
  const std::string utf16("\xFF\xFE[\0E\0", 6);
  struct Row {
    const char* what;
    std::string bytes;
    std::optional<bool> overrideEmbedded;
    Basis basis;
    std::string name;  // the answer to "Name"; empty for none
  };
  const Row rows[] = {
      {"ASCII", kEvents, {}, Basis::Utf8, ""},
      {"UTF-8", utf8, {}, Basis::Utf8, ""},
      // The plug-in passes a UTF-8 mark through with the text: nothing to do.
      {"UTF-8 after its mark", "\xEF\xBB\xBF" + utf8, {}, Basis::Utf8, ""},
      {"a UTF-16 mark, ignored", utf16, {}, Basis::Mark, "UTF16-LE"},
      {"a UTF-16 mark, ignored by an explicit true", utf16, true, Basis::Mark, "UTF16-LE"},
      {"a UTF-16 mark, followed", utf16, false, Basis::FollowedMark, ""},
      {"a UTF-8 mark, followed", "\xEF\xBB\xBF" + utf8, false, Basis::FollowedMark, ""},
      // Text that looks like UTF-16 after a mark is still the mark's: a
      // zero byte is well-formed UTF-8, and it would be read as such.
      {"ASCII in UTF-32 after its mark",
       std::string("\xFF\xFE\0\0[\0\0\0", 8),
       {},
       Basis::Mark,
       "UTF32-LE"},
      {"windows-1251", kCyrillic, {}, Basis::Guess, "windows-1251"},
      {"Shift_JIS", shiftJis(), {}, Basis::Guess, "Shift_JIS"},
      // Bytes of no language: ICU's best is a wide encoding at confidence
      // 10, which would turn the ASCII markup into nonsense as well.
      {"stray bytes",
       kEvents + "Dialogue: 0,0:00:01.00,0:00:02.00,,,0,0,0,,x\xFF\xFE\xFDy\r\n",
       {},
       Basis::Uncertain,
       ""},
  };
  for (const Row& row : rows) {
    const CodePageDetection found = detectCodePage(row.bytes, row.overrideEmbedded);
    EXPECT_EQ(found.basis, row.basis) << row.what;
    EXPECT_EQ(found.name, row.name) << row.what;
    if (found.basis == Basis::Uncertain) {
      EXPECT_LT(found.confidence, kConfidentGuess) << row.what << ": " << found.guess;
    }
  }
}

// Legacy text is ill-formed as UTF-8 within a character or two: 256 good
// ones decide, and what comes after them is not looked at.
TEST(DetectCodePage, TakesTextForUtf8After256GoodCharacters) {
  std::string text = kEvents;
  for (int i = 0; i < 255; ++i)
    text += "\xC3\xA9";  // é
  EXPECT_NE(detectCodePage(text + "\xE9t\xE9", {}).basis, Basis::Utf8);
  EXPECT_EQ(detectCodePage(text + "\xC3\xA9\xE9t\xE9", {}).basis, Basis::Utf8);
}

// Only a code page that leaves the markup as it is may be followed.
TEST(KeepsAscii, HoldsForTheLegacyCodePagesScriptsAreWrittenIn) {
  for (const char* name :
       {"windows-1252", "ISO-8859-7", "KOI8-R", "Shift_JIS", "EUC-KR", "GB18030", "Big5"})
    EXPECT_TRUE(keepsAscii(name)) << name;
  for (const char* name : {"UTF-16BE", "UTF-32LE", "IBM424_rtl", "no-such-code-page"})
    EXPECT_FALSE(keepsAscii(name)) << name;
}

TEST(AnswerCodePage, DetectsOnlyWhenAskedAndOnlyLocalFiles) {
  char folder[] = "/tmp/quarn-detect-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/russian.ass";
  std::ofstream(path, std::ios::binary) << kCyrillic;
  const std::string url = "file://" + path;

  const AnsweredCodePage named = answerCodePage({false, std::string("KOI8-R")}, url);
  EXPECT_FALSE(named.detection);
  EXPECT_EQ(named.settings.name, std::optional<std::string>("KOI8-R"));
  EXPECT_EQ(named.settings.overrideEmbedded, std::optional<bool>(false));
  EXPECT_FALSE(named.settings.detected);

  const AnsweredCodePage detected = answerCodePage({{}, std::string(kDetectCodePage)}, url);
  ASSERT_TRUE(detected.detection);
  EXPECT_EQ(detected.detection->basis, Basis::Guess);
  EXPECT_EQ(detected.settings.name, std::optional<std::string>("windows-1251"));
  EXPECT_TRUE(detected.settings.detected);
  EXPECT_EQ(detected.file, "russian.ass");

  // Whatever cannot be looked at is left to the plug-in, with no name.
  for (const std::string& location : {std::string("http://example.org/a.ass"), url + ".missing",
                                      "file://" + std::string(folder)}) {
    const AnsweredCodePage unread = answerCodePage({{}, std::string(kDetectCodePage)}, location);
    ASSERT_TRUE(unread.detection) << location;
    EXPECT_EQ(unread.detection->basis, Basis::Unread) << location;
    EXPECT_FALSE(unread.settings.name) << location;
  }
  std::filesystem::remove_all(folder);
}

// A file is checked in pieces of 16 KiB, and 65536 ends one: a sequence cut
// by the end of a piece is neither refused nor let through broken.
TEST(AnswerCodePage, TellsUtf8AcrossPieces) {
  char folder[] = "/tmp/quarn-detect-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/long.ass";
  for (std::size_t before = 65532; before <= 65536; ++before) {
    for (const std::string sequence : {"\xF0\x9F\x98\x8A", "\xF0\x9F\x98", "\xE2\x82\xAC"}) {
      const bool whole = sequence.size() != 3 || sequence[0] != '\xF0';
      std::ofstream(path, std::ios::binary) << std::string(before, 'a') << sequence << "bcd";
      const AnsweredCodePage answer =
          answerCodePage({{}, std::string(kDetectCodePage)}, "file://" + path);
      ASSERT_TRUE(answer.detection);
      EXPECT_EQ(answer.detection->basis == Basis::Utf8, whole) << before << " " << sequence.size();
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace QuarnHost
