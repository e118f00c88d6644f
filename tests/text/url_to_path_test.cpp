// File URLs to local paths: what is accepted and decoded, and that a
// refusal leaves the path alone.
#include <gtest/gtest.h>

#include <string>

#include "text/ParserUtilities.h"

namespace {

std::string toPath(const std::string& location) {
  Quarn::String<unsigned char> path("untouched");
  const Quarn::Result result = Quarn::urlToPath(
      Quarn::String<unsigned char>(location.data(), static_cast<std::uint32_t>(location.size())),
      path);
  if (result == Quarn::ResultBadLocation) {
    EXPECT_STREQ(path.cText(), "untouched") << location;
    return "<bad location>";
  }
  EXPECT_EQ(result, Quarn::ResultOk) << location;
  return std::string(path.cText(), path.length());
}

TEST(UrlToPath, AcceptsAndDecodesLocalFileUrls) {
  EXPECT_EQ(toPath("file:///home/u/film.ass"), "/home/u/film.ass");
  EXPECT_EQ(toPath("file:/home/u/film.ass"), "/home/u/film.ass");
  EXPECT_EQ(toPath("FILE://LocalHost/x.ssa"), "/x.ssa");
  EXPECT_EQ(toPath("file:///C:/subs/film.ass"), "/C:/subs/film.ass");
  EXPECT_EQ(toPath("\xEF\xBB\xBF"
                   "file:///a.ass"),
            "/a.ass")
      << "a leading mark is dropped";
  EXPECT_EQ(toPath("file:///my%20subs/a%2bb%3F%23.ass"), "/my subs/a+b?#.ass");
  EXPECT_EQ(toPath("file:///caf%C3%A9/caf\xC3\xA9"), "/caf\xC3\xA9/caf\xC3\xA9");
}

TEST(UrlToPath, RefusesWhatIsNoLocalFile) {
  for (const char* location :
       {"", "http://example.com/a.ass", "/home/u/a.ass", "file:", "file:a.ass", "file://",
        "file://server/share/a.ass",                     // another host
        "file:///a.ass?x=1", "file:///a.ass#top",        // query, fragment
        "file:///a%2", "file:///a%zz", "file:///a%00b",  // bad escapes
        "file:///%C0%AF", "file:///%E9.ass",             // escapes that are no UTF-8
        "file:///a\x80.ass"})                            // a location that is no UTF-8
    EXPECT_EQ(toPath(location), "<bad location>") << location;
  EXPECT_EQ(toPath(std::string("file:///a\0b", 11)), "<bad location>");
}

// Raw bytes that are not well-formed UTF-8 are refused before the URL is
// read at all: a lenient decoder would make "/" of an overlong C0 AF and
// let "show<C0 AF>..<C0 AF>other.ass" climb out of the folder "show".
TEST(UrlToPath, RefusesEveryClassOfIllFormedUtf8) {
  const struct {
    const char* name;
    const char* bytes;
  } rows[] = {
      {"stray continuation byte", "\x80"},
      {"overlong two-byte slash", "\xC0\xAF"},
      {"overlong two-byte letter", "\xC1\x81"},
      {"overlong three-byte slash", "\xE0\x80\xAF"},
      {"overlong four-byte slash", "\xF0\x80\x80\xAF"},
      {"high surrogate", "\xED\xA0\x80"},
      {"low surrogate", "\xED\xB0\x80"},
      {"above U+10FFFF", "\xF4\x90\x80\x80"},
      {"lead byte F5", "\xF5\x80\x80\x80"},
      {"lead byte FF", "\xFF"},
      {"truncated in the middle", "\xE2\x82/"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(toPath(std::string("file:///media/subs/show") + row.bytes + "..other.ass"),
              "<bad location>")
        << row.name;
    EXPECT_EQ(toPath(std::string("file:///a.ass") + row.bytes), "<bad location>")
        << row.name << ", at the end";
  }
  EXPECT_EQ(toPath("file:///a.ass\xE2\x82"), "<bad location>") << "truncated at the end";
  EXPECT_EQ(toPath("file:///media/subs/show\xC0\xAF..\xC0\xAF"
                   "other.ass"),
            "<bad location>");
  // Well-formed characters of every length still pass.
  EXPECT_EQ(toPath("file:///\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xAC.ass"),
            "/\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xAC.ass");
}

TEST(UrlToPath, LimitsTheDecodedPathTo4096BytesWithItsTerminator) {
  const std::string longest(4094, 'a');
  EXPECT_EQ(toPath("file:///" + longest), "/" + longest);
  EXPECT_EQ(toPath("file:///" + longest + "a"), "<bad location>");
  std::string escaped;
  for (int i = 0; i < 1365; ++i)
    escaped += "%41";
  EXPECT_EQ(toPath("file:///" + escaped).size(), 1366u) << "an escape counts once";
}

}  // namespace
