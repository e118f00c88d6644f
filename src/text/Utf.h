// UTF-8 and UTF-16 without any library: a strict converter for paths given to
// the file system and a lenient pair for locations handed to the path
// services. What well-formed UTF-8 is lives in rules/Utf8.h.
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

#include "rules/Utf8.h"

namespace Quarn {

enum ConversionResult : std::int32_t {
  conversionOK = 0,     // the whole source was converted
  sourceExhausted = 1,  // the source ends inside a sequence
  targetExhausted = 2,  // no room for the next character
  sourceIllegal = 3,    // an ill-formed sequence or a surrogate code point
};

/// Strict UTF-8 to UTF-16: every sequence must pass isLegalUtf8Sequence, so
/// it succeeds exactly where isValidUtf8 holds.
/// Characters above U+FFFF need two free target units.
ConversionResult convertUtf8ToUtf16(const unsigned char** source, const unsigned char* sourceEnd,
                                    char16_t** target, char16_t* targetEnd);

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
