// UTF-8 and UTF-16 without any library: a strict converter for paths given to
// the file system, the check of one UTF-8 sequence, and a lenient pair for
// locations handed to the path services.
//
// Contract of the pointer-advancing converter: *source and *target advance
// over what was converted. On a stop the source is left at the start of the
// sequence that could not be handled and the target after the last unit
// written; nothing is written past targetEnd and nothing is read at or past
// sourceEnd.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Quarn {

enum ConversionResult : std::int32_t {
  conversionOK = 0,     // the whole source was converted
  sourceExhausted = 1,  // the source ends inside a sequence
  targetExhausted = 2,  // no room for the next character
  sourceIllegal = 3,    // an ill-formed sequence or a surrogate code point
};

/// Writes the UTF-8 form of `code` (at most U+10FFFF, no surrogate) at
/// `out`, which has room for 4 bytes, and returns the end of what it wrote.
unsigned char* appendUtf8(char32_t code, unsigned char* out);

/// True when the UTF-8 sequence starting at `text` lies wholly before `end`
/// and is well-formed (no overlong form, no surrogate, nothing above
/// U+10FFFF). `text == end` (no byte at all) is false.
bool isLegalUtf8Sequence(const unsigned char* text, const unsigned char* end);

/// Strict UTF-8 to UTF-16: every sequence must pass isLegalUtf8Sequence.
/// Characters above U+FFFF need two free target units.
ConversionResult convertUtf8ToUtf16(const unsigned char** source, const unsigned char* sourceEnd,
                                    char16_t** target, char16_t* targetEnd);

/// True when all `length` bytes are well-formed UTF-8 (convertUtf8ToUtf16
/// would succeed). An empty text is valid.
bool isValidUtf8(const unsigned char* text, std::size_t length);

/// Lenient UTF-8 to UTF-16 for locations. A leading byte-order mark is
/// dropped; overlong forms and surrogate code points are accepted. A stray
/// continuation byte, a truncated sequence, a lead byte F8-FF or a code point
/// above U+10FFFF gives an empty result.
std::u16string utf8ToWide(const unsigned char* text, std::size_t length);
std::u16string utf8ToWide(const std::string& text);

/// UTF-16 to UTF-8 without a byte-order mark. A high surrogate must be
/// followed by a low one, else the result is empty; a lone low surrogate is
/// encoded as an ordinary three-byte character.
std::string wideToUtf8(const std::u16string& text);

}  // namespace Quarn
