// Entries that can never fall due: counted from the script as the plug-in's
// parser reads it, and the warning a host gives about them.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "NeverDue.h"
#include "SourceFiles.h"

namespace QuarnHost {
namespace {

const std::string kFormat =
    "[Events]\r\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, "
    "Text\r\n";

/// An event line of the usual columns that starts at `start` and ends at `end`.
std::string event(const std::string& start, const std::string& end = "0:00:09.00") {
  return "Dialogue: 0," + start + "," + end + ",Default,,0,0,0,,Some text\r\n";
}

// Scripts give times in whole hundredths, so the limit itself is met only here.
TEST(NeverDue, TheLatestStartIsTheLatestMediaTimeAndTheLead) {
  EXPECT_TRUE(canFallDue(2147484147u));
  EXPECT_FALSE(canFallDue(2147484148u));
}

TEST(NeverDue, CountsTheEntriesThatStartTooLate) {
  struct Row {
    const char* what;
    std::string text;
    std::uint64_t count;
  };
  const std::vector<Row> rows = {
      {"none", kFormat + event("0:00:01.00") + event("0:00:02.00"), 0},
      {"a negative second", kFormat + event("0:00:01.00") + event("0:00:-1.00"), 1},
      {"several, among entries that fall due",
       kFormat + event("-1:00:00.00") + event("0:00:01.00") + event("600:00:00.00") +
           event("0:00:-1.00"),
       3},
      // The duration wraps, but only the start decides.
      {"an end before the start", kFormat + event("0:00:05.00", "0:00:01.00"), 0},
      // Times are whole hundredths: 2147484140 ms, then 2147484150 ms.
      {"the last start that falls due", kFormat + event("596:31:24.14"), 0},
      {"the first start that does not", kFormat + event("596:31:24.15"), 1},
      {"an unreadable start counts as 0", kFormat + event("soon"), 0},
      {"a script with no entries", "[Script Info]\r\nTitle: nothing\r\n", 0},
      // Without a format line the first event line stands in for one: no entry.
      {"the line that opens the events section",
       "[Events]\r\n" + event("0:00:-1.00") + event("0:00:-2.00"), 1},
      {"the start column where the format line puts it",
       "[Events]\r\nFormat: Layer, End, Start, Text\r\n"
       "Dialogue: 0,0:00:-1.00,0:00:01.00,an end before zero\r\n"
       "Dialogue: 0,0:00:02.00,0:00:-3.00,a start before zero\r\n",
       1},
  };
  for (const Row& row : rows)
    EXPECT_EQ(countNeverDue(row.text), row.count) << row.what;
}

TEST(NeverDue, WarningSaysHowManyAndWhy) {
  const std::string two = kFormat + event("0:00:01.00") + event("0:00:-1.00") + event("0:-1:00.00");
  EXPECT_EQ(neverDueWarning(sourceFileOf(two), {}),
            "2 entries of night ferry.ass can never be shown: they start after 596:31:24.147, the "
            "latest start a stream can show (a negative time such as 0:00:-1.00 wraps round to a "
            "start that late)");
  EXPECT_EQ(
      neverDueWarning(sourceFileOf(kFormat + event("0:00:-1.00")), {})
          .rfind("1 entry of night ferry.ass can never be shown: it starts after 596:31:24.147, ",
                 0),
      0u);
  EXPECT_EQ(neverDueWarning(sourceFileOf(kFormat + event("0:00:01.00")), {}), "");

  // Read as the plug-in reads it: in the code page it was given.
  std::string utf16;
  for (const char c : kFormat + event("0:00:-1.00"))
    utf16 += std::string{c, '\0'};
  EXPECT_EQ(neverDueWarning(sourceFileOf(utf16), CodePageSettings{{}, std::string("UTF-16LE")})
                .rfind("1 entry of", 0),
            0u);
}

}  // namespace
}  // namespace QuarnHost
