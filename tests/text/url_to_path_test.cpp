// File URLs to local paths: what is accepted, what is decoded, and that a
// refusal leaves the path alone.
#include <gtest/gtest.h>

#include <string>

#include "text/ParserUtilities.h"

namespace {

using Quarn::String;

// The path, or "<bad location>" when refused (checking the path is untouched).
std::string toPath(const std::string& location) {
  String<unsigned char> path("untouched");
  const Quarn::Result result = Quarn::urlToPath(
      String<unsigned char>(location.data(), static_cast<std::uint32_t>(location.size())), path);
  if (result == Quarn::ResultBadLocation) {
    EXPECT_STREQ(path.cText(), "untouched") << location;
    return "<bad location>";
  }
  EXPECT_EQ(result, Quarn::ResultOk) << location;
  return std::string(path.cText(), path.length());
}

TEST(UrlToPath, AcceptsLocalFileUrls) {
  EXPECT_EQ(toPath("file:///home/u/film.ass"), "/home/u/film.ass");
  EXPECT_EQ(toPath("file:/home/u/film.ass"), "/home/u/film.ass");
  EXPECT_EQ(toPath("FILE://localhost/x.ssa"), "/x.ssa");
  EXPECT_EQ(toPath("file://LocalHost/x.ssa"), "/x.ssa");
  EXPECT_EQ(toPath("file:///C:/subs/film.ass"), "/C:/subs/film.ass");
  EXPECT_EQ(toPath("file:///"), "/");
  EXPECT_EQ(toPath("\xEF\xBB\xBF"
                   "file:///a.ass"),
            "/a.ass")
      << "a leading mark is dropped";
}

TEST(UrlToPath, DecodesPercentEscapes) {
  EXPECT_EQ(toPath("file:///my%20subs/a%2Bb.ass"), "/my subs/a+b.ass");
  EXPECT_EQ(toPath("file:///caf%C3%A9.ass"), "/caf\xC3\xA9.ass");
  EXPECT_EQ(toPath("file:///caf\xC3\xA9.ass"), "/caf\xC3\xA9.ass") << "raw UTF-8 kept";
  EXPECT_EQ(toPath("file:///a%3fb%23c"), "/a?b#c") << "escaped, these are just characters";
  EXPECT_EQ(toPath("file:///a%2Fb"), "/a/b");
}

TEST(UrlToPath, RefusesWhatIsNoLocalFile) {
  for (const char* location : {
           "", "http://example.com/a.ass", "/home/u/a.ass", "file:", "file:a.ass", "file://",
           "file://server/share/a.ass",               // another host
           "file:///a.ass?x=1", "file:///a.ass#top",  // query, fragment
           "file:///a%2", "file:///a%zz", "file:///a%", "file:///a%00b",
           "file:///%C0%AF",     // an overlong "/" spelled with escapes
           "file:///%E9.ass",    // decodes to bytes that are no UTF-8
           "file:///a\x80.ass",  // the location itself is no UTF-8
       }) {
    EXPECT_EQ(toPath(location), "<bad location>") << location;
  }
  EXPECT_EQ(toPath(std::string("file:///a\0b", 11)), "<bad location>");
}

TEST(UrlToPath, RefusesPathsLongerThanTheSystemAccepts) {
  const std::string longest(4095 - 1, 'a');  // with "/" and the terminator: 4096 bytes
  EXPECT_EQ(toPath("file:///" + longest), "/" + longest);
  EXPECT_EQ(toPath("file:///" + longest + "a"), "<bad location>");
  // The limit is on the decoded path: escapes count once.
  std::string escaped;
  for (int i = 0; i < 1365; ++i)
    escaped += "%41";
  EXPECT_EQ(toPath("file:///" + escaped).size(), 1366u);
}

}  // namespace
