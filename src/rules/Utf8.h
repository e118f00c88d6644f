// UTF-8 as the plug-in and its hosts read it. One definition of a
// well-formed sequence (no overlong form, no surrogate, nothing above
// U+10FFFF) serves the checks of the reader, the explanations a host gives
// and the text a host shows.
#pragma once

#include <cstddef>

namespace Quarn {

/// Writes the UTF-8 form of `code` (at most U+10FFFF, no surrogate) at
/// `out`, which has room for 4 bytes, and returns the end of what it wrote.
unsigned char* appendUtf8(char32_t code, unsigned char* out);

/// The first character of a text.
struct Utf8Step {
  /// Bytes it takes: the whole sequence when well-formed, else its maximal
  /// subpart (the longest start of a well-formed sequence, at least one
  /// byte), which a reader replaces with one U+FFFD.
  std::size_t length;
  bool wellFormed;
};

/// The first character of [text, end), which must hold at least one byte.
Utf8Step nextUtf8(const unsigned char* text, const unsigned char* end);

/// True when the UTF-8 sequence starting at `text` lies wholly before `end`
/// and is well-formed. `text == end` (no byte at all) is false.
bool isLegalUtf8Sequence(const unsigned char* text, const unsigned char* end);

/// The first byte of [text, end) that is not ASCII, or `end`. Scripts are
/// mostly ASCII, which is passed a word at a time.
const unsigned char* skipAscii(const unsigned char* text, const unsigned char* end);

/// True when all `length` bytes are well-formed UTF-8. An empty text is valid.
bool isValidUtf8(const unsigned char* text, std::size_t length);

}  // namespace Quarn
