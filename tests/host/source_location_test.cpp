// SOURCE as the player hands it to the plug-in: URLs untouched, paths made
// absolute and percent-encoded into file URLs.
#include <gtest/gtest.h>

#include "SourceLocation.h"

namespace QuarnHost {
namespace {

TEST(SourceLocation, UrlSchemeIsLettersDigitsPlusDotDashThenColonSlash) {
  EXPECT_TRUE(startsWithUrlScheme("file:///home/u/film.ass"));
  EXPECT_TRUE(startsWithUrlScheme("http://example.com/film.ass"));
  EXPECT_TRUE(startsWithUrlScheme("a+b.c-9:/x"));
  EXPECT_TRUE(startsWithUrlScheme("file:/x"));
  // A drive letter looks like a scheme, and is passed on as one.
  EXPECT_TRUE(startsWithUrlScheme("C:/subs/film.ass"));

  EXPECT_FALSE(startsWithUrlScheme("film.ass"));
  EXPECT_FALSE(startsWithUrlScheme("file:film.ass"));  // no slash after the colon
  EXPECT_FALSE(startsWithUrlScheme("9p://x"));         // must start with a letter
  EXPECT_FALSE(startsWithUrlScheme("://x"));
  EXPECT_FALSE(startsWithUrlScheme("my film:/x"));  // blank inside the scheme
  EXPECT_FALSE(startsWithUrlScheme("subs/a:/b"));   // the slash comes first
  EXPECT_FALSE(startsWithUrlScheme("x:"));
  EXPECT_FALSE(startsWithUrlScheme(""));
}

TEST(SourceLocation, PercentEncodesAllButUnreservedAndSlash) {
  EXPECT_EQ(percentEncodePath("/a-b_c.d~e/FILM09.ass"), "/a-b_c.d~e/FILM09.ass");
  EXPECT_EQ(percentEncodePath("/my film#1?.ass"), "/my%20film%231%3F.ass");
  EXPECT_EQ(percentEncodePath("/100%:;@&=+$,"), "/100%25%3A%3B%40%26%3D%2B%24%2C");
  // UTF-8 bytes one by one, upper-case hex.
  EXPECT_EQ(percentEncodePath("/caf\xC3\xA9"), "/caf%C3%A9");
  EXPECT_EQ(percentEncodePath(std::string_view("\x01\xff", 2)), "%01%FF");
}

TEST(SourceLocation, PathsBecomeAbsoluteFileUrls) {
  EXPECT_EQ(sourceToLocation("film.ass", "/home/u"), "file:///home/u/film.ass");
  EXPECT_EQ(sourceToLocation("subs/film.ass", "/home/u/"), "file:///home/u/subs/film.ass");
  EXPECT_EQ(sourceToLocation("../x y.ass", "/srv"), "file:///srv/../x%20y.ass");
  EXPECT_EQ(sourceToLocation("/abs/film.ass", "/ignored"), "file:///abs/film.ass");
  EXPECT_EQ(sourceToLocation("film.ass", "/"), "file:///film.ass");
  // URLs go through untouched, escapes and all.
  EXPECT_EQ(sourceToLocation("file:///a%20b.ass", "/home/u"), "file:///a%20b.ass");
  EXPECT_EQ(sourceToLocation("http://h/x y", "/home/u"), "http://h/x y");
}

}  // namespace
}  // namespace QuarnHost
