// Conversion to UTF-8 through ICU: the machine's library, and none at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "text/Encoding.h"
#include "text/UCNVLibrary.h"

namespace {

using KVDSOLD::UCNVLibrary;

std::string convert(const UCNVLibrary& converters, const char* name, const std::string& bytes) {
  const Quarn::Utf8Block block = Quarn::convertToUtf8Block(
      converters, name, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  EXPECT_EQ(block.data == nullptr, block.length == 0);
  return block.data ? std::string(reinterpret_cast<const char*>(block.data.get()), block.length)
                    : std::string("<empty>");
}

std::string utf16le(const std::u16string& text) {
  std::string bytes;
  for (char16_t unit : text)
    bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return bytes;
}

// UTF-16 with a byte order named takes a shortcut past ICU. Under a name ICU
// knows for the same converter but the shortcut does not, the text goes the
// ICU way: both must give the same bytes for every text, well-formed or not.
TEST(SystemIcu, Utf16ShortcutGivesWhatIcuGives) {
  const UCNVLibrary& icu = UCNVLibrary::instance();
  ASSERT_TRUE(icu.isUsable());
  const char16_t pieces[] = {u'A',   u' ',   u'\0',  0x7F,   0x80,   0x7FF,  0x800,  0xE9,
                             0xFEFF, 0xFFFE, 0xFFFF, 0xD83D, 0xDE00, 0xDBFF, 0xDFFF, 0xDC00};
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::u16string text;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) {
      // Mostly well-formed: surrogates come in pairs unless the round says not.
      const char16_t unit = pieces[random() % (sizeof pieces / sizeof *pieces)];
      if (unit >= 0xD800 && unit <= 0xDBFF && round % 4 != 0) {
        text += {unit, static_cast<char16_t>(0xDC00 + random() % 0x400)};
      } else if (unit >= 0xDC00 && unit <= 0xDFFF && round % 4 != 0) {
        text += u'x';
      } else {
        text += unit;
      }
    }
    std::string little = utf16le(text);
    std::string big;
    for (std::size_t i = 0; i + 1 < little.size(); i += 2)
      big += {little[i + 1], little[i]};
    if (round % 7 == 0) {  // an odd byte at the end
      little += 'z';
      big += 'z';
    }
    ASSERT_EQ(convert(icu, "UTF-16LE", little), convert(icu, "UnicodeLittleUnmarked", little))
        << "round " << round;
    ASSERT_EQ(convert(icu, "utf16_be", big), convert(icu, "UnicodeBigUnmarked", big))
        << "round " << round;
  }
}

// Streaming takes well-formed UTF-16 whatever the pieces it arrives in, and
// hands back (false) what only ICU may decide.
TEST(SystemIcu, Utf16StreamTakesPiecesAndHandsBackFaults) {
  const UCNVLibrary& icu = UCNVLibrary::instance();
  ASSERT_TRUE(icu.isUsable());
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  auto stream = [](const std::string& bytes, std::string& text) {
    std::size_t at = 0;
    const Quarn::ReadPiece reader = [&](unsigned char* buffer, std::size_t count) {
      const std::size_t n = std::min(count, bytes.size() - at);
      std::memcpy(buffer, bytes.data() + at, n);
      at += n;
      return static_cast<std::int64_t>(n);
    };
    Quarn::Utf8Block block;
    std::size_t read = 0;
    if (!Quarn::streamUtf16ToUtf8("UTF16-LE", bytes.size(), reader, block, read))
      return false;
    EXPECT_EQ(read, bytes.size());
    text.assign(reinterpret_cast<const char*>(block.data.get()), block.length);
    return true;
  };
  const std::string plain = utf16le(std::u16string(kPiece, u'a'));  // two pieces
  const struct {
    const char* what;
    std::size_t at;
    std::u16string units;
    bool streamed;
  } rows[] = {
      {"plain", 0, u"", true},
      {"a pair across the first piece's end", kPiece - 2, u"\xD83D\xDE00", true},
      {"a pair across it, one byte on", kPiece - 1, u"\xD83D\xDE00", true},
      {"every length of character", kPiece - 6, u"\xE9\x20AC\xD83D\xDE00", true},
      {"a lone high surrogate in the first piece", 100, u"\xD83Dz", false},
      {"a lone low surrogate in the second", kPiece + 100, u"\xDE00", false},
      {"a lone high surrogate last", 2 * kPiece - 2, u"\xD83D", false},
  };
  for (const auto& row : rows) {
    std::string bytes = plain;
    bytes.replace(row.at, 2 * row.units.size(), utf16le(row.units));
    std::string text;
    ASSERT_EQ(stream(bytes, text), row.streamed) << row.what;
    if (row.streamed) {
      EXPECT_EQ(text, convert(icu, "UnicodeLittleUnmarked", bytes)) << row.what;
    }
  }
  std::string text;
  EXPECT_FALSE(stream(plain + "z", text)) << "an odd byte at the end";
  EXPECT_FALSE(Quarn::isStreamableUtf16("UTF-16")) << "no byte order: ICU reads the mark";
  EXPECT_FALSE(Quarn::isStreamableUtf16("UnicodeLittleUnmarked"));
  EXPECT_TRUE(Quarn::isStreamableUtf16("utf_16be"));
}

TEST(SystemIcu, ConvertsNamedEncodingsAndRefusesUnknownOnes) {
  const UCNVLibrary& icu = UCNVLibrary::instance();
  ASSERT_TRUE(icu.isUsable()) << "the machine's ICU common library should load";
  EXPECT_EQ(convert(icu, "UTF16-LE", utf16le(u"AB")), "AB");
  EXPECT_EQ(convert(icu, "UTF16-BE", std::string("\x00\xE9\x20\xAC", 4)), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(convert(icu, "UTF32-LE", std::string("\x00\xF6\x01\x00", 4)), "\xF0\x9F\x98\x80");
  EXPECT_EQ(convert(icu, "windows-1252", "caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(convert(icu, "Shift_JIS", "\x82\xA0"), "\xE3\x81\x82");
  // Zero characters are kept here; the file reader cuts at the first.
  EXPECT_EQ(convert(icu, "UTF16-LE", utf16le(std::u16string(u"A\0B", 3))), std::string("A\0B", 3));

  EXPECT_EQ(convert(icu, "no-such-encoding", "abc"), "<empty>");
  EXPECT_EQ(convert(icu, "UTF16-LE", ""), "<empty>");
  EXPECT_EQ(convert(icu, nullptr, "abc"), "<empty>");
  // The size guard acts before a byte is read: one real byte is safe here.
  const unsigned char byte = 'A';
  EXPECT_EQ(Quarn::convertToUtf8Block(icu, "UTF8", &byte, Quarn::kMaxConversionInput + 1).data,
            nullptr);

  const Quarn::String<unsigned char> text =
      Quarn::convertToUtf8("UTF16-LE", reinterpret_cast<const unsigned char*>("A\0B\0"), 4);
  EXPECT_EQ(std::string(text.cText(), text.length()), "AB");
}

TEST(SystemIcu, LongTextsComeOutWhole) {
  const UCNVLibrary& icu = UCNVLibrary::instance();
  // Three bytes out per byte in: the result outgrows its first estimate.
  std::string euros;
  for (int i = 0; i < 5000; ++i)
    euros += "\xE2\x82\xAC";
  EXPECT_EQ(convert(icu, "windows-1252", std::string(5000, '\x80')), euros);
  // Text is decoded in chunks: a surrogate pair across any boundary survives.
  for (std::size_t prefix : {16382u, 16383u, 16384u, 32767u}) {
    const std::string out =
        convert(icu, "UTF16-LE", utf16le(std::u16string(prefix, u'a') + u"\U0001F600z"));
    EXPECT_EQ(out, std::string(prefix, 'a') + "\xF0\x9F\x98\x80z") << prefix;
  }
}

TEST(AbsentIcu, EveryConversionFailsLikeAnInternalError) {
  const UCNVLibrary absent(std::vector<KVDSOLD::LibraryCandidate>{
      {"/nonexistent/libicuuc.so.1", "_1"}, {"libquarn-no-such-icu.so", ""}});
  EXPECT_FALSE(absent.isUsable());
  KVDSOLD::UErrorCode error = 0;
  EXPECT_EQ(absent.open("utf8", &error), nullptr);
  EXPECT_EQ(error, KVDSOLD::kUInternalProgramError);
  error = 0;
  char out[4];
  char* target = out;
  const KVDSOLD::UChar* source = u"ab";
  absent.fromUnicode(nullptr, &target, out + 4, &source, source + 2, nullptr, 1, &error);
  EXPECT_EQ(error, KVDSOLD::kUInternalProgramError);
  EXPECT_EQ(target, out);
  for (int attempt = 0; attempt < 2; ++attempt)
    EXPECT_EQ(convert(absent, "UTF16-LE", utf16le(u"A")), "<empty>");
}

}  // namespace
