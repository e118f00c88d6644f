// Byte-order mark detection: every signature, its order, and texts too
// short for a signature.
#include <gtest/gtest.h>

#include <string>

#include "text/ByteOrderMark.h"

namespace {

struct Row {
  std::string bytes;
  const char* name;  // null: no mark
  std::uint32_t skip;
};

TEST(DetectEncoding, RecognisesEachSignatureInOrder) {
  const Row rows[] = {
      {std::string("\x00\x00\xFE\xFF\x00\x00\x00\x41", 8), "UTF32-BE", 4},
      // UTF-32 LE wins over the UTF-16 LE mark it starts with.
      {std::string("\xFF\xFE\x00\x00\x41\x00\x00\x00", 8), "UTF32-LE", 4},
      {std::string("\xFE\xFF\x00\x41", 4), "UTF16-BE", 2},
      {std::string("\xFF\xFE\x41\x00", 4), "UTF16-LE", 2},
      {"\xEF\xBB\xBF"
       "A",
       "UTF8", 3},
      // UTF-7: four bytes skipped whatever follows the mark.
      {"\x2B\x2F\x76\x38\x2D", "UTF7", 4},
      {"\x2B\x2F\x76\x39", "UTF7", 4},
      {"\x2B\x2F\x76\x2B", "UTF7", 4},
      {"\x2B\x2F\x76\x2F", "UTF7", 4},
      {"\x2B\x2F\x76\x41", nullptr, 0},
      {"\x0E\xFE\xFF"
       "A",
       "SCSU", 3},
      {"\xFB\xEE\x28"
       "A",
       "BOCU-1", 3},
      {"\x84\x31\x95\x33"
       "A",
       "GB-18030", 4},
      {"Dialogue", nullptr, 0},
  };
  for (const Row& row : rows) {
    Quarn::String<char> name("unchanged");
    const std::uint32_t skip = Quarn::detectEncoding(
        reinterpret_cast<const unsigned char*>(row.bytes.data()), row.bytes.size(), name);
    EXPECT_EQ(skip, row.skip) << row.bytes;
    EXPECT_STREQ(name.cText(), row.name != nullptr ? row.name : "unchanged") << row.bytes;
  }
}

TEST(DetectEncoding, NeverReadsPastTheLength) {
  // The lengths cut each text short of the longer signature it begins.
  const unsigned char bytes[] = {0xFF, 0xFE, 0x00, 0x00};
  Quarn::String<char> name;
  EXPECT_EQ(Quarn::detectEncoding(bytes, 3, name), 2u) << "FF FE 00 is UTF-16 LE";
  EXPECT_STREQ(name.cText(), "UTF16-LE");

  const unsigned char utf8[] = {0xEF, 0xBB, 0xBF};
  Quarn::String<char> none;
  EXPECT_EQ(Quarn::detectEncoding(utf8, 1, none), 0u);
  EXPECT_EQ(Quarn::detectEncoding(utf8, 2, none), 0u);
  EXPECT_EQ(Quarn::detectEncoding(utf8, 0, none), 0u);
  EXPECT_TRUE(none.isEmpty());
  const unsigned char utf7[] = {0x2B, 0x2F, 0x76};
  EXPECT_EQ(Quarn::detectEncoding(utf7, 3, none), 0u) << "UTF-7 needs its fourth byte";
}

}  // namespace
