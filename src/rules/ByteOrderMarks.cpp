#include "rules/ByteOrderMarks.h"

namespace Quarn {
namespace {

// Tested in order, first match wins: UTF-32 LE must come before UTF-16 LE,
// whose mark is its prefix. The UTF-7 mark's fourth byte is one of several
// values and is matched separately.
constexpr ByteOrderMark kMarks[] = {
    {{0x00, 0x00, 0xFE, 0xFF}, 4, 4, "UTF32-BE", "UTF-32 BE", false},
    {{0xFF, 0xFE, 0x00, 0x00}, 4, 4, "UTF32-LE", "UTF-32 LE", false},
    {{0xFE, 0xFF}, 2, 2, "UTF16-BE", "UTF-16 BE", false},
    {{0xFF, 0xFE}, 2, 2, "UTF16-LE", "UTF-16 LE", false},
    {{0xEF, 0xBB, 0xBF}, 3, 3, "UTF8", "UTF-8", false},
    {{0x2B, 0x2F, 0x76}, 3, 4, "UTF7", "UTF-7", true},
    {{0x0E, 0xFE, 0xFF}, 3, 3, "SCSU", "SCSU", false},
    {{0xFB, 0xEE, 0x28}, 3, 3, "BOCU-1", "BOCU-1", false},
    {{0x84, 0x31, 0x95, 0x33}, 4, 4, "GB-18030", "GB 18030", false},
};

bool matches(const ByteOrderMark& mark, const unsigned char* text, std::size_t length) {
  if (length < mark.skip)
    return false;
  for (std::uint32_t i = 0; i < mark.length; ++i) {
    if (text[i] != mark.bytes[i])
      return false;
  }
  if (mark.skip > mark.length) {  // UTF-7: one of four fourth bytes
    const unsigned char fourth = text[3];
    return fourth == 0x38 || fourth == 0x39 || fourth == 0x2B || fourth == 0x2F;
  }
  return true;
}

}  // namespace

const ByteOrderMark* findByteOrderMark(const unsigned char* text, std::size_t length) {
  if (text == nullptr)
    return nullptr;
  for (const ByteOrderMark& mark : kMarks) {
    if (matches(mark, text, length))
      return &mark;
  }
  return nullptr;
}

}  // namespace Quarn
