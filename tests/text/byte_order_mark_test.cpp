// Byte-order marks: each signature in order, and texts too short for one.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "text/ByteOrderMark.h"

namespace {

std::string detect(const std::string& bytes, std::size_t length = std::string::npos) {
  Quarn::String<char> name("-");
  const std::uint32_t skip = Quarn::detectEncoding(
      reinterpret_cast<const unsigned char*>(bytes.data()), std::min(length, bytes.size()), name);
  return name.toStdString() + "/" + std::to_string(skip);
}

TEST(DetectEncoding, RecognisesEachSignatureInOrder) {
  EXPECT_EQ(detect(std::string("\0\0\xFE\xFF", 4)), "UTF32-BE/4");
  // UTF-32 LE wins over the UTF-16 LE mark it starts with.
  EXPECT_EQ(detect(std::string("\xFF\xFE\0\0\x41\0\0\0", 8)), "UTF32-LE/4");
  EXPECT_EQ(detect("\xFE\xFF"), "UTF16-BE/2");
  EXPECT_EQ(detect(std::string("\xFF\xFE\x41\0", 4)), "UTF16-LE/2");
  EXPECT_EQ(detect("\xEF\xBB\xBF"
                   "A"),
            "UTF8/3");
  for (const char* utf7 : {"+/v8-", "+/v9", "+/v+", "+/v/"})
    EXPECT_EQ(detect(utf7), "UTF7/4") << utf7;
  EXPECT_EQ(detect("+/vA"), "-/0");
  EXPECT_EQ(detect("\x0E\xFE\xFF"), "SCSU/3");
  EXPECT_EQ(detect("\xFB\xEE\x28"), "BOCU-1/3");
  EXPECT_EQ(detect("\x84\x31\x95\x33"), "GB-18030/4");
  EXPECT_EQ(detect("Dialogue"), "-/0");
}

TEST(DetectEncoding, NeverReadsPastTheLength) {
  EXPECT_EQ(detect(std::string("\xFF\xFE\0\0", 4), 3), "UTF16-LE/2");
  EXPECT_EQ(detect("\xEF\xBB\xBF", 2), "-/0");
  EXPECT_EQ(detect("+/v8", 3), "-/0");
  EXPECT_EQ(detect("", 0), "-/0");
}

}  // namespace
