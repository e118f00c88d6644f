#include "text/ByteOrderMark.h"

namespace Quarn {
namespace {

struct Signature {
  unsigned char bytes[4];
  std::uint32_t length;  // bytes that must match
  std::uint32_t skip;    // bytes that belong to the mark
  const char* name;
};

// Tested in order, first match wins: UTF-32 LE must come before UTF-16 LE,
// whose mark is its prefix. The UTF-7 mark's fourth byte is one of several
// values and is matched separately.
constexpr Signature kSignatures[] = {
    {{0x00, 0x00, 0xFE, 0xFF}, 4, 4, "UTF32-BE"},
    {{0xFF, 0xFE, 0x00, 0x00}, 4, 4, "UTF32-LE"},
    {{0xFE, 0xFF}, 2, 2, "UTF16-BE"},
    {{0xFF, 0xFE}, 2, 2, "UTF16-LE"},
    {{0xEF, 0xBB, 0xBF}, 3, 3, "UTF8"},
    {{0x2B, 0x2F, 0x76}, 3, 4, "UTF7"},
    {{0x0E, 0xFE, 0xFF}, 3, 3, "SCSU"},
    {{0xFB, 0xEE, 0x28}, 3, 3, "BOCU-1"},
    {{0x84, 0x31, 0x95, 0x33}, 4, 4, "GB-18030"},
};

bool matches(const Signature& signature, const unsigned char* text, std::size_t length) {
  if (length < signature.skip)
    return false;
  for (std::uint32_t i = 0; i < signature.length; ++i) {
    if (text[i] != signature.bytes[i])
      return false;
  }
  if (signature.skip > signature.length) {  // UTF-7: one of four fourth bytes
    const unsigned char fourth = text[3];
    return fourth == 0x38 || fourth == 0x39 || fourth == 0x2B || fourth == 0x2F;
  }
  return true;
}

}  // namespace

std::uint32_t detectEncoding(const unsigned char* text, std::size_t length, String<char>& name) {
  if (text == nullptr)
    return 0;
  for (const Signature& signature : kSignatures) {
    if (matches(signature, text, length)) {
      name.assign(String<char>(signature.name));
      return signature.skip;
    }
  }
  return 0;
}

}  // namespace Quarn
