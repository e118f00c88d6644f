// The library-free codecs: the one-sequence check, the strict converter for
// paths, and the lenient pair for locations.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "text/Utf.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string hex(const Bytes& bytes) {
  std::string text;
  char cell[4];
  for (unsigned char b : bytes) {
    std::snprintf(cell, sizeof cell, "%02X ", b);
    text += cell;
  }
  return text;
}

::testing::AssertionResult legal(const Bytes& bytes) {
  const bool ok = Quarn::isLegalUtf8Sequence(bytes.data(), bytes.data() + bytes.size());
  if (ok)
    return ::testing::AssertionSuccess() << hex(bytes) << "is legal";
  return ::testing::AssertionFailure() << hex(bytes) << "is refused";
}

TEST(IsLegalUtf8Sequence, AcceptsWellFormedSequencesEndingAtEnd) {
  EXPECT_TRUE(legal({0x41}));
  EXPECT_TRUE(legal({0x00}));
  EXPECT_TRUE(legal({0xC2, 0x80}));              // U+0080, smallest two-byte
  EXPECT_TRUE(legal({0xE2, 0x82, 0xAC}));        // U+20AC euro sign
  EXPECT_TRUE(legal({0xED, 0x9F, 0xBF}));        // U+D7FF, last before the surrogates
  EXPECT_TRUE(legal({0xF0, 0x90, 0x80, 0x80}));  // U+10000
  EXPECT_TRUE(legal({0xF4, 0x8F, 0xBF, 0xBF}));  // U+10FFFF
  EXPECT_TRUE(legal({0x41, 0xFF})) << "only the first sequence is examined";
}

TEST(IsLegalUtf8Sequence, RefusesEveryIllFormedClass) {
  // Unexpected continuation bytes.
  EXPECT_FALSE(legal({0x80}));
  EXPECT_FALSE(legal({0xBF, 0x41}));
  // Overlong forms.
  EXPECT_FALSE(legal({0xC0, 0x80}));
  EXPECT_FALSE(legal({0xC1, 0x81}));
  EXPECT_FALSE(legal({0xE0, 0x80, 0x80}));
  EXPECT_FALSE(legal({0xE0, 0x9F, 0xBF}));
  EXPECT_FALSE(legal({0xF0, 0x8F, 0xBF, 0xBF}));
  // Surrogates D800-DFFF.
  EXPECT_FALSE(legal({0xED, 0xA0, 0x80}));
  EXPECT_FALSE(legal({0xED, 0xBF, 0xBF}));
  // Above U+10FFFF.
  EXPECT_FALSE(legal({0xF4, 0x90, 0x80, 0x80}));
  EXPECT_FALSE(legal({0xF5, 0x80, 0x80, 0x80}));
  // Five- and six-byte forms and the bytes that never occur.
  EXPECT_FALSE(legal({0xF8, 0x88, 0x80, 0x80, 0x80}));
  EXPECT_FALSE(legal({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}));
  EXPECT_FALSE(legal({0xFE}));
  // A missing or wrong continuation byte.
  EXPECT_FALSE(legal({0xC3, 0x41}));
  EXPECT_FALSE(legal({0xE2, 0x82, 0x41}));
  // Truncated: end follows too soon.
  EXPECT_FALSE(legal({0xE2, 0x82}));
  EXPECT_FALSE(legal({0xF0, 0x90, 0x80}));
  EXPECT_FALSE(legal({})) << "an empty text has no first character";
}

struct Strict {
  Quarn::ConversionResult result;
  std::u16string output;
  std::size_t consumed;
};

Strict strict(const Bytes& bytes, std::size_t room) {
  std::u16string target(room, u'\0');
  const unsigned char* source = bytes.data();
  char16_t* out = target.data();
  const Quarn::ConversionResult result =
      Quarn::convertUtf8ToUtf16(&source, bytes.data() + bytes.size(), &out, target.data() + room);
  target.resize(static_cast<std::size_t>(out - target.data()));
  return {result, target, static_cast<std::size_t>(source - bytes.data())};
}

TEST(ConvertUtf8ToUtf16, ConvertsAndStopsWherePromised) {
  Strict s = strict({0x41, 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}, 8);
  EXPECT_EQ(s.result, Quarn::conversionOK);
  EXPECT_EQ(s.output, std::u16string(u"A\u00E9\u20AC\U0001F600"));
  EXPECT_EQ(s.consumed, 10u);

  // Ill-formed: the source stays at the offending sequence.
  s = strict({0x41, 0xED, 0xA0, 0x80}, 8);
  EXPECT_EQ(s.result, Quarn::sourceIllegal);
  EXPECT_EQ(s.output, u"A");
  EXPECT_EQ(s.consumed, 1u);
  EXPECT_EQ(strict({0xC0, 0x81}, 4).result, Quarn::sourceIllegal);
  EXPECT_EQ(strict({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}, 4).result, Quarn::sourceIllegal);

  // Truncated at the end.
  s = strict({0x41, 0xE2, 0x82}, 8);
  EXPECT_EQ(s.result, Quarn::sourceExhausted);
  EXPECT_EQ(s.consumed, 1u);

  // Target full, including a pair that needs two units where one is left.
  s = strict({0x41, 0x42}, 1);
  EXPECT_EQ(s.result, Quarn::targetExhausted);
  EXPECT_EQ(s.consumed, 1u);
  s = strict({0x41, 0xF0, 0x9F, 0x98, 0x80}, 2);
  EXPECT_EQ(s.result, Quarn::targetExhausted);
  EXPECT_EQ(s.output, u"A");
  EXPECT_EQ(s.consumed, 1u);
}

TEST(IsValidUtf8, ChecksEverySequence) {
  const Bytes good = {0x2F, 0x74, 0xC3, 0xA9, 0x2E, 0x61};
  const Bytes late = {0x2F, 0x74, 0xC3, 0xA9, 0x2E, 0xE9};
  EXPECT_TRUE(Quarn::isValidUtf8(good.data(), good.size()));
  EXPECT_FALSE(Quarn::isValidUtf8(late.data(), late.size()));
  EXPECT_TRUE(Quarn::isValidUtf8(good.data(), 0));
}

std::u16string wide(const Bytes& bytes) {
  return Quarn::utf8ToWide(bytes.data(), bytes.size());
}

TEST(Utf8ToWide, IsLenientButRefusesBrokenSequences) {
  EXPECT_EQ(wide({0xEF, 0xBB, 0xBF, 0x41}), u"A") << "a leading mark is dropped";
  EXPECT_EQ(wide({0x41, 0xEF, 0xBB, 0xBF}), u"A\uFEFF") << "only a leading one";
  EXPECT_EQ(wide({0xC0, 0x81}), std::u16string(1, u'\x0001')) << "overlong accepted";
  EXPECT_EQ(wide({0xED, 0xA0, 0x80}), std::u16string(1, char16_t(0xD800))) << "surrogate accepted";
  EXPECT_EQ(wide({0xF0, 0x9F, 0x98, 0x80}), u"\U0001F600");
  EXPECT_EQ(wide({0x41, 0x00, 0x42}), std::u16string(u"A\0B", 3));

  EXPECT_EQ(wide({0x80}), u"");
  EXPECT_EQ(wide({0x41, 0xE2, 0x82}), u"") << "truncated";
  EXPECT_EQ(wide({0xC3, 0x41}), u"") << "bad continuation";
  EXPECT_EQ(wide({0xF8, 0x88, 0x80, 0x80, 0x80}), u"");
  EXPECT_EQ(wide({0xF4, 0x90, 0x80, 0x80}), u"") << "above U+10FFFF";
  EXPECT_EQ(wide({0xEF, 0xBB, 0xBF}), u"");
}

TEST(WideToUtf8, EncodesPairsAndRefusesUnpairedHighSurrogates) {
  EXPECT_EQ(Quarn::wideToUtf8(u"A\u00E9\u20AC\U0001F600"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Quarn::wideToUtf8(std::u16string(1, char16_t(0xDC00))), "\xED\xB0\x80")
      << "a lone low surrogate is an ordinary character";
  EXPECT_EQ(Quarn::wideToUtf8(std::u16string{char16_t(0xD800), u'A'}), "");
  EXPECT_EQ(Quarn::wideToUtf8(std::u16string{u'A', char16_t(0xDBFF)}), "");
  EXPECT_EQ(Quarn::wideToUtf8(u""), "");
}

TEST(WideToUtf8, RoundTripsEveryScalarValueThroughTheLenientDecoder) {
  for (char32_t code = 1; code <= 0x10FFFF; code += (code < 0x800 ? 1 : 97)) {
    if (code >= 0xD800 && code <= 0xDFFF)
      continue;
    std::u16string units;
    if (code > 0xFFFF) {
      units += char16_t(0xD800 + ((code - 0x10000) >> 10));
      units += char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      units += char16_t(code);
    }
    const std::string narrow = Quarn::wideToUtf8(units);
    const auto* bytes = reinterpret_cast<const unsigned char*>(narrow.data());
    ASSERT_TRUE(Quarn::isValidUtf8(bytes, narrow.size())) << std::hex << code;
    ASSERT_EQ(Quarn::utf8ToWide(narrow), units) << std::hex << code;
  }
}

}  // namespace
