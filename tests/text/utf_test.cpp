// The library-free codecs: the one-sequence check, the strict converter for
// paths and the lenient pair for locations.
#include <gtest/gtest.h>

#include <string>

#include "text/Utf.h"

namespace {

using Quarn::ConversionResult;

bool legal(const std::string& bytes) {
  const auto* text = reinterpret_cast<const unsigned char*>(bytes.data());
  return Quarn::isLegalUtf8Sequence(text, text + bytes.size());
}

TEST(IsLegalUtf8Sequence, AcceptsWellFormedAndRefusesEachIllFormedClass) {
  // A, U+0080, euro sign, U+D7FF, U+10000, U+10FFFF; only the first is checked.
  for (const char* ok : {"A", "\xC2\x80", "\xE2\x82\xAC", "\xED\x9F\xBF", "\xF0\x90\x80\x80",
                         "\xF4\x8F\xBF\xBF", "A\xFF"})
    EXPECT_TRUE(legal(ok)) << ok;
  EXPECT_TRUE(legal(std::string(1, '\0')));
  for (const char* bad : {"\x80",
                          "\xBF"
                          "A",  // lone continuation
                          "\xC0\x80", "\xC1\x81", "\xE0\x80\x80", "\xF0\x8F\xBF\xBF",  // overlong
                          "\xED\xA0\x80", "\xED\xBF\xBF",                              // surrogates
                          "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",  // above U+10FFFF
                          "\xF8\x88\x80\x80\x80", "\xFC\x84\x80\x80\x80\x80", "\xFE",  // 5, 6 bytes
                          "\xC3"
                          "A",
                          "\xE2\x82"
                          "A",                              // bad continuation
                          "\xE2\x82", "\xF0\x90\x80", ""})  // truncated, empty
    EXPECT_FALSE(legal(bad)) << bad;
}

struct Strict {
  ConversionResult result;
  std::u16string output;
  std::size_t consumed;
};

Strict strict(const std::string& bytes, std::size_t room) {
  std::u16string target(room, u'\0');
  const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* source = begin;
  char16_t* out = target.data();
  const ConversionResult result =
      Quarn::convertUtf8ToUtf16(&source, begin + bytes.size(), &out, target.data() + room);
  target.resize(static_cast<std::size_t>(out - target.data()));
  return {result, target, static_cast<std::size_t>(source - begin)};
}

TEST(ConvertUtf8ToUtf16, ConvertsAndStopsAtTheOffendingSequence) {
  Strict s = strict("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 8);
  EXPECT_EQ(s.result, Quarn::conversionOK);
  EXPECT_EQ(s.output, u"A\u00E9\u20AC\U0001F600");

  s = strict("A\xED\xA0\x80", 8);
  EXPECT_EQ(s.result, Quarn::sourceIllegal);
  EXPECT_EQ(s.output, u"A");
  EXPECT_EQ(s.consumed, 1u);
  EXPECT_EQ(strict("\xFC\x84\x80\x80\x80\x80", 4).result, Quarn::sourceIllegal);
  s = strict("A\xE2\x82", 8);
  EXPECT_EQ(s.result, Quarn::sourceExhausted);
  EXPECT_EQ(s.consumed, 1u);
  // A pair needs two units; one is left after "A".
  s = strict("A\xF0\x9F\x98\x80", 2);
  EXPECT_EQ(s.result, Quarn::targetExhausted);
  EXPECT_EQ(s.output, u"A");
  EXPECT_EQ(s.consumed, 1u);

  const std::string path = "/t\xC3\xA9st/\xE9";
  const auto* bytes = reinterpret_cast<const unsigned char*>(path.data());
  EXPECT_TRUE(Quarn::isValidUtf8(bytes, path.size() - 1));
  EXPECT_FALSE(Quarn::isValidUtf8(bytes, path.size()));
}

// The first byte that is not ASCII, wherever it falls against the words and
// the overlapping last word that the search reads.
TEST(SkipAscii, StopsAtTheFirstHighByte) {
  for (std::size_t length = 0; length <= 40; ++length) {
    for (std::size_t high = 0; high <= length; ++high) {
      std::string text(length, 'a');
      if (high < length)
        text[high] = '\xC3';
      const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
      EXPECT_EQ(Quarn::skipAscii(bytes, bytes + length) - bytes, static_cast<long>(high))
          << length << " " << high;
    }
  }
}

TEST(Utf8ToWide, IsLenientButRefusesBrokenSequences) {
  EXPECT_EQ(Quarn::utf8ToWide("\xEF\xBB\xBF"
                              "A"),
            u"A")
      << "a leading mark is dropped";
  EXPECT_EQ(Quarn::utf8ToWide("A\xEF\xBB\xBF"), u"A\uFEFF");
  EXPECT_EQ(Quarn::utf8ToWide("\xC0\x81"), std::u16string(1, u'\x0001')) << "overlong";
  EXPECT_EQ(Quarn::utf8ToWide("\xED\xA0\x80"), std::u16string(1, char16_t(0xD800)));
  EXPECT_EQ(Quarn::utf8ToWide("\xF0\x9F\x98\x80"), u"\U0001F600");
  for (const char* bad : {"\x80", "A\xE2\x82",
                          "\xC3"
                          "A",
                          "\xF8\x88\x80\x80\x80", "\xF4\x90\x80\x80", "\xEF\xBB\xBF"})
    EXPECT_EQ(Quarn::utf8ToWide(bad), u"") << bad;
}

TEST(WideToUtf8, EncodesPairsAndRefusesUnpairedHighSurrogates) {
  EXPECT_EQ(Quarn::wideToUtf8(std::u16string(1, char16_t(0xDC00))), "\xED\xB0\x80");
  EXPECT_EQ(Quarn::wideToUtf8(std::u16string{char16_t(0xD800), u'A'}), "");
  EXPECT_EQ(Quarn::wideToUtf8(std::u16string{u'A', char16_t(0xDBFF)}), "");
  // Every length class, through both directions of the lenient pair.
  for (char32_t code = 1; code <= 0x10FFFF; code += (code < 0x800 ? 1 : 97)) {
    if (code >= 0xD800 && code <= 0xDFFF)
      continue;
    std::u16string units;
    if (code > 0xFFFF)
      units = {char16_t(0xD800 + ((code - 0x10000) >> 10)),
               char16_t(0xDC00 + ((code - 0x10000) & 0x3FF))};
    else
      units = std::u16string(1, char16_t(code));
    const std::string narrow = Quarn::wideToUtf8(units);
    ASSERT_TRUE(legal(narrow)) << std::hex << code;
    ASSERT_EQ(Quarn::utf8ToWide(narrow), units) << std::hex << code;
  }
}

}  // namespace
