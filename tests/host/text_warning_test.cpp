// Replacement characters in handed-out text: what a viewer shows as U+FFFD,
// and the warning a host gives when the file's own text does not hold them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "SourceFiles.h"
#include "TextWarning.h"

namespace QuarnHost {
namespace {

TEST(ReplacementCount, CountsWhatAViewerShowsAsUFFFD) {
  struct Row {
    const char* what;
    std::string bytes;
    std::uint64_t shown;
  };
  const Row rows[] = {
      {"ASCII, longer than a word", "Dialogue: 0,0:00:01.00,0:00:02.00,,Hello", 0},
      {"well-formed UTF-8", "caf\xC3\xA9 cr\xC3\xA8me", 0},
      {"a U+FFFD the text holds",
       "a\xEF\xBF\xBD"
       "b",
       1},
      // Each maximal subpart is one replacement.
      {"a truncated three-byte sequence", "x\xE2\x82y", 1},
      {"two stray continuation bytes", "\x80\x80", 2},
      {"windows-1251 after eight ASCII bytes", "12345678\xCF\xF0\xE8", 3},
      {"an overlong slash", "\xC0\xAF", 2},
      {"a surrogate", "\xED\xA0\x80", 3},
  };
  for (const Row& row : rows) {
    ReplacementCount count;
    count.add(row.bytes);
    EXPECT_EQ(count.count(), row.shown) << row.what;
  }
  // Counts add up over pieces.
  ReplacementCount count;
  count.add("\xFF");
  count.add("ok\xFE");
  EXPECT_EQ(count.count(), 2u);
}

TEST(ReplacementWarning, SaysHowManyWereReplacedAndWhatToTry) {
  // Five lines of Japanese in Shift_JIS: "こんにちは" and the like.
  std::string japanese = "[Events]\r\nFormat: Layer, Start, End, Text\r\n";
  for (int i = 0; i < 5; ++i)
    japanese +=
        "Dialogue: 0,0:00:01.00,0:00:02.00,\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x41"
        "\x8c\xb3\x8b\x43\x82\xc5\x82\xb7\x82\xa9\x81\x48\r\n";
  const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("\xFD\xFF", 2);
  struct Row {
    const char* what;
    std::string bytes;
    std::optional<bool> overrideEmbedded;
    std::optional<std::string> codepage;
    std::uint64_t shown;
    std::string expected;  // empty: no warning
  };
  const std::vector<Row> rows = {
      {"Shift_JIS read as UTF-8",
       japanese,
       {},
       {},
       60,
       "60 characters of night ferry.ass could not be read as UTF-8 and were replaced; the text "
       "looks like Shift_JIS: try --codepage Shift_JIS or --codepage auto"},
      {"one character", "a\xFF", {}, {}, 1, "1 character of night ferry.ass could not be read"},
      {"read with another code page",
       japanese,
       {},
       "UTF-16LE",
       4,
       "could not be read as UTF-16LE and were replaced"},
      // What the file holds itself is no sign of a wrong encoding.
      {"U+FFFD in UTF-8", "a\xEF\xBF\xBD\xEF\xBF\xBD", {}, {}, 2, ""},
      {"U+FFFD in UTF-16 read by its mark", utf16, false, {}, 1, ""},
      {"more shown than held",
       "\xEF\xBF\xBD\xFF",
       {},
       {},
       2,
       "1 character of night ferry.ass could not be read as UTF-8 and was replaced"},
      {"nothing shown", japanese, {}, {}, 0, ""},
  };
  for (const Row& row : rows) {
    const std::string said = replacementWarning(
        sourceFileOf(row.bytes), CodePageSettings{row.overrideEmbedded, row.codepage},
        kPlayerOptions, row.shown);
    if (row.expected.empty())
      EXPECT_EQ(said, "") << row.what;
    else
      EXPECT_NE(said.find(row.expected), std::string::npos) << row.what << "\n  said: " << said;
  }
  EXPECT_NE(replacementWarning(sourceFileOf(japanese), {}, kElementProperties, 60)
                .find("try codepage=Shift_JIS or codepage=auto"),
            std::string::npos);
  // A code page the host detected itself: detecting again would not help.
  const std::string detected =
      replacementWarning(sourceFileOf(japanese),
                         CodePageSettings{{}, std::string("UTF-16LE"), true}, kPlayerOptions, 4);
  EXPECT_NE(detected.find("try --codepage Shift_JIS"), std::string::npos) << detected;
  EXPECT_EQ(detected.find("auto"), std::string::npos) << detected;
}

}  // namespace
}  // namespace QuarnHost
