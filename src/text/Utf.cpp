#include "text/Utf.h"

#include <cstring>

namespace Quarn {
namespace {

// Bytes in a sequence by its first byte: 00-BF 1, C0-DF 2, E0-EF 3, F0-F7 4,
// F8-FB 5, FC-FF 6. A continuation byte counts as 1 here; the well-formedness
// check refuses it.
int sequenceLength(unsigned char first) {
  if (first < 0xC0)
    return 1;
  if (first < 0xE0)
    return 2;
  if (first < 0xF0)
    return 3;
  if (first < 0xF8)
    return 4;
  if (first < 0xFC)
    return 5;
  return 6;
}

bool isContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The table of well-formed byte sequences, for a sequence of `length` (1-4)
// bytes known to be present.
bool isWellFormed(const unsigned char* text, int length) {
  const unsigned char first = text[0];
  if (length == 1)
    return first < 0x80;
  if (first < 0xC2 || first > 0xF4)
    return false;
  for (int i = 1; i < length; ++i) {
    if (!isContinuation(text[i]))
      return false;
  }
  const unsigned char second = text[1];
  switch (first) {
    case 0xE0:
      return second >= 0xA0;  // shorter forms are overlong
    case 0xED:
      return second <= 0x9F;  // D800-DFFF are surrogates
    case 0xF0:
      return second >= 0x90;  // overlong
    case 0xF4:
      return second <= 0x8F;  // above U+10FFFF
    default:
      return true;
  }
}

char32_t combine(const unsigned char* text, int length) {
  static constexpr unsigned char kLeadMask[5] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t code = text[0] & kLeadMask[length];
  for (int i = 1; i < length; ++i)
    code = (code << 6) | (text[i] & 0x3F);
  return code;
}

// One pass of the lenient decoder. With a null `out` it only counts units;
// returns the unit count, or -1 on an error.
std::ptrdiff_t decodeLenient(const unsigned char* text, std::size_t length, char16_t* out) {
  std::size_t at = 0;
  if (length >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF)
    at = 3;
  std::ptrdiff_t units = 0;
  while (at < length) {
    const unsigned char first = text[at];
    int count;
    if (first < 0x80)
      count = 1;
    else if (first < 0xC0 || first >= 0xF8)
      return -1;  // stray continuation byte, or a 5- or 6-byte form
    else
      count = sequenceLength(first);
    if (static_cast<std::size_t>(count) > length - at)
      return -1;
    for (int i = 1; i < count; ++i) {
      if (!isContinuation(text[at + i]))
        return -1;
    }
    const char32_t code = combine(text + at, count);
    at += static_cast<std::size_t>(count);
    if (code > 0x10FFFF)
      return -1;
    if (code > 0xFFFF) {
      if (out != nullptr) {
        out[units] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
        out[units + 1] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
      }
      units += 2;
    } else {
      if (out != nullptr)
        out[units] = static_cast<char16_t>(code);
      units += 1;
    }
  }
  return units;
}

// One pass of the encoder. With a null `out` it only counts bytes; returns
// the byte count, or -1 on an unpaired high surrogate.
std::ptrdiff_t encodeUtf8(const std::u16string& text, unsigned char* out) {
  std::ptrdiff_t bytes = 0;
  const std::size_t length = text.size();
  for (std::size_t i = 0; i < length; ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (i + 1 >= length || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
        return -1;
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    unsigned char encoded[4];
    const std::ptrdiff_t count = appendUtf8(code, encoded) - encoded;
    if (out != nullptr)
      std::memcpy(out + bytes, encoded, static_cast<std::size_t>(count));
    bytes += count;
  }
  return bytes;
}

}  // namespace

ConversionResult convertUtf8ToUtf16(const unsigned char** source, const unsigned char* sourceEnd,
                                    char16_t** target, char16_t* targetEnd) {
  const unsigned char* in = *source;
  char16_t* out = *target;
  ConversionResult result = conversionOK;
  while (in < sourceEnd) {
    const int length = sequenceLength(*in);
    if (length > sourceEnd - in) {
      result = sourceExhausted;
      break;
    }
    if (length > 4 || !isWellFormed(in, length)) {
      result = sourceIllegal;
      break;
    }
    const char32_t code = combine(in, length);
    // Well-formedness already excludes surrogates and values above U+10FFFF.
    const std::ptrdiff_t needed = code > 0xFFFF ? 2 : 1;
    if (targetEnd - out < needed) {
      result = targetExhausted;
      break;
    }
    if (needed == 2) {
      *out++ = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      *out++ = static_cast<char16_t>(code);
    }
    in += length;
  }
  *source = in;
  *target = out;
  return result;
}

std::u16string utf8ToWide(const unsigned char* text, std::size_t length) {
  if (text == nullptr || length == 0)
    return std::u16string();
  // Count first so that the result is allocated once at its final size.
  const std::ptrdiff_t units = decodeLenient(text, length, nullptr);
  if (units <= 0)
    return std::u16string();
  std::u16string wide(static_cast<std::size_t>(units), u'\0');
  decodeLenient(text, length, wide.data());
  return wide;
}

std::u16string utf8ToWide(const std::string& text) {
  return utf8ToWide(reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

std::string wideToUtf8(const std::u16string& text) {
  const std::ptrdiff_t bytes = encodeUtf8(text, nullptr);
  if (bytes <= 0)
    return std::string();
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  encodeUtf8(text, reinterpret_cast<unsigned char*>(narrow.data()));
  return narrow;
}

}  // namespace Quarn
